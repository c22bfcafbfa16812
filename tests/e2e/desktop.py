# SPDX-License-Identifier: GPL-3.0-or-later
"""Xvfb, a private session bus and openbox in a private HOME; every process started here is
tracked by pid and waited on (a container's PID 1 reaps none)."""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = os.path.join(HERE, "..", "..", "build")
ARTIFACTS = os.environ.get("QUILLBAR_E2E_ARTIFACTS", os.path.join(BUILD, "e2e-artifacts"))
QUILLBAR = os.path.abspath(os.environ.get("QUILLBAR", BUILD + "/src/app/quillbar"))
# Sanitizer builds: Qt's own leaks are left out (full stacks, so that they match), on every desktop.
LEAKS = "fast_unwind_on_malloc=0:suppressions=" + os.path.join(HERE, "lsan-qt-wayland.supp")
LSAN_OPTIONS = ":".join(filter(None, [os.environ.get("LSAN_OPTIONS"), LEAKS]))
# Control+Left/Right go to the previous/next desktop, as a user would have them.
OPENBOX_RC = """<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <theme><name>Clearlooks</name><animateIconify>no</animateIconify></theme>
  <desktops><number>{}</number><firstdesk>1</firstdesk><popupTime>0</popupTime>{}</desktops>
  <keyboard>
    <keybind key="C-Left"><action name="GoToDesktop"><to>left</to></action></keybind>
    <keybind key="C-Right"><action name="GoToDesktop"><to>right</to></action></keybind>
  </keyboard>
</openbox_config>
"""
# A docked tray icon: a window named "quillbar" of class "quillbar" nested inside the tray.
ICON = re.compile(r'^\s{8,}(0x[0-9a-f]+) "quillbar": \("[^"]+" "quillbar"\)', re.M)
MENU = "quillbar: menu: "  # how --verbose reports a menu it shows
NOBODY = 65534
SNI_WATCHER = "org.kde.StatusNotifierWatcher"
AS_NOBODY = ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"]


class Desktop:
    """Xvfb on a free display, a private session bus and (unless told otherwise) openbox."""

    def __init__(self, desktops=4, window_manager=True, size="1280x800", artifacts=None,
                 names=None):
        self.desktops, self.with_window_manager, self.size = desktops, window_manager, size
        self.names = names  # openbox's <names> for its desktops, in order
        self.artifacts = os.path.abspath(artifacts or ARTIFACTS)
        self.env, self._processes, self._window_manager, self._home = None, [], None, None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def start(self):
        try:
            self._home = tempfile.mkdtemp(prefix="quillbar-e2e-")
            self._start_xvfb()
            self.bus = self.start_bus()
            self.env["DBUS_SESSION_BUS_ADDRESS"] = self.bus.address
            if self.with_window_manager:
                self.start_window_manager()
        except BaseException:
            self.stop()
            raise

    def stop(self):
        """Ends every process started here, newest first, and waits on each."""
        for proc in reversed(self._processes):
            self.stop_process(proc)
        if self._home:
            shutil.rmtree(self._home, ignore_errors=True)
            self._home = None

    def start_bus(self, prefix=(), env=None):
        """Starts a private bus (--nofork: our child, to wait on), with its .address."""
        bus = self.start_process([*prefix, "dbus-daemon", "--session", "--nofork", "--nopidfile",
                                  "--print-address=1"], env=env or self.env,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        bus.address = bus.stdout.readline().strip()
        return bus

    def start_process(self, args, **kwargs):
        """Starts a program on this desktop (env defaults to .env); stop() ends it."""
        kwargs.setdefault("env", self.env)
        kwargs.setdefault("stdin", subprocess.DEVNULL)
        proc = subprocess.Popen(args, **kwargs)
        self._processes.append(proc)
        return proc

    def stop_process(self, proc):
        """Ends a process started here (SIGTERM, then SIGKILL) and waits on it."""
        if proc.poll() is None:
            proc.terminate()
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        for stream in filter(None, (proc.stdin, proc.stdout, proc.stderr)):
            stream.close()
        if proc in self._processes:
            self._processes.remove(proc)

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        self.start_process(["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.size + "x24",
                            "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as number:
            display = ":" + number.readline().strip()
        if display == ":":
            raise RuntimeError("Xvfb did not start")
        self.private_env(DISPLAY=display, QT_QPA_PLATFORM="xcb")
        # On a loaded machine a typed key can stay down past the repeat delay and come twice.
        self.run(["xset", "r", "off"])

    def private_env(self, strip=(), **extra):
        """.env: ours without the session's (nor strip's) variables, private HOME and XDG."""
        self.env = {key: value for key, value in os.environ.items()
                    if not key.startswith(("DBUS_", "XDG_", "WAYLAND_", "QT_", "DISPLAY",
                                           "DESKTOP_SESSION", *strip))}
        self.env.update(HOME=self._home, NO_AT_BRIDGE="1", LSAN_OPTIONS=LSAN_OPTIONS,
                        XDG_RUNTIME_DIR=os.path.join(self._home, "run"))
        for name in ("config", "cache", "data"):
            self.env["XDG_%s_HOME" % name.upper()] = os.path.join(self._home, name)
        self.env.update(extra)
        os.mkdir(self.env["XDG_RUNTIME_DIR"], 0o700)

    def start_window_manager(self, *extra):
        """Starts openbox (with extra arguments) and waits until it manages the screen."""
        rc = os.path.join(self._home, "openbox-rc.xml")
        with open(rc, "w") as out:
            names = "".join("<name>%s</name>" % n for n in self.names or [])
            out.write(OPENBOX_RC.format(self.desktops, "<names>%s</names>" % names
                                        if self.names else ""))
        previous = self.prop("_NET_SUPPORTING_WM_CHECK")
        proc = self.start_process(["openbox", "--config-file", rc, *extra],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wait_until(lambda: self._alive(proc) and self.prop("_NET_NUMBER_OF_DESKTOPS") and
                        self.prop("_NET_SUPPORTING_WM_CHECK") not in (None, previous),
                        timeout=20, message="openbox did not take over the screen")
        self._window_manager = proc

    def kill_window_manager(self):
        """Ends the window manager with SIGKILL (it cleans nothing up) and waits on it."""
        self._window_manager.kill()
        self.stop_process(self._window_manager)

    def replace_window_manager(self):
        """Starts openbox --replace; returns once it runs and the old one has exited."""
        old = self._window_manager
        self.start_window_manager("--replace")
        old.wait(timeout=20)
        self.stop_process(old)

    def start_tray(self):
        """Starts trayer (or stalonetray) docked at the top right; waits until it shows."""
        if shutil.which("trayer"):
            args = ["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel",
                    "--width", "200", "--height", "24", "--SetDockType", "true",
                    "--transparent", "false"]
        else:
            args = ["stalonetray", "--geometry", "8x1-0+0", "--icon-size", "24",
                    "--window-type", "dock", "--window-strut", "top", "--grow-gravity", "E",
                    "--kludges", "force_icons_size"]
        proc = self.start_process(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wait_until(lambda: self._alive(proc) and self.xdotool(
            "search", "--classname", args[0], check=False), message=args[0] + " did not start")
        return proc

    @staticmethod
    def _alive(proc):
        if proc.poll() is not None:
            raise RuntimeError("%s exited with %s" % (proc.args[0], proc.returncode))
        return True

    def icons(self):
        """Window ids of the docked quillbar tray icons (walked again when a window goes)."""
        def walk():
            try:
                return self.run(["xwininfo", "-root", "-tree"])
            except RuntimeError:
                return None

        return ICON.findall(self.wait_until(walk, message="xwininfo cannot walk the windows"))

    def wait_for_icons(self, count):
        """The docked icons, once there are count of them."""
        return self.wait_until(lambda: [icons for icons in [self.icons()] if len(icons) == count],
                               timeout=20, message="expected %d docked icons" % count)[0]

    def run(self, args, check=True, timeout=30, text=True):
        """Runs a program to completion on this desktop and returns its standard output."""
        done = subprocess.run(args, env=self.env, stdin=subprocess.DEVNULL, capture_output=True,
                              text=text, timeout=timeout)
        if check and done.returncode != 0:
            raise RuntimeError("%s failed (%s): %s" % (args, done.returncode, done.stderr.strip()))
        return done.stdout

    def wmctrl(self, *args, check=True):
        return self.run(["wmctrl", *args], check=check)

    def xdotool(self, *args, check=True):
        return self.run(["xdotool", *args], check=check)

    def prop(self, name, window=None):
        """A 32-bit property of the root (or of window) as an int, or None when unset."""
        where = ["-root"] if window is None else ["-id", str(window)]
        out = self.run(["xprop", *where, "-notype", "32c", name], False)
        match = re.search(r"[=#]\s*(\d+)", out)  # "= 3", or "window id # 4194311"
        return int(match.group(1)) if match else None

    def current_desktop(self):
        return self.prop("_NET_CURRENT_DESKTOP")

    def active_window(self):
        return self.prop("_NET_ACTIVE_WINDOW") or None

    def window_desktop(self, window):
        return self.prop("_NET_WM_DESKTOP", window)

    def windows_of_class(self, name):
        return [int(w) for w in self.xdotool("search", "--class", "^%s$" % re.escape(name),
                                             check=False).split()]

    def visible_windows(self):
        """Quillbar's shown windows and their geometry; one that closes meanwhile is left out."""
        found = [(int(w), self.geometry(w, check=False)) for w in self.xdotool(
            "search", "--onlyvisible", "--class", "^quillbar$", check=False).split()]
        return [(window, geometry) for window, geometry in found if geometry]

    def geometry(self, window, check=True):
        """x, y, width, height; None for a window gone (check=False)."""
        out = self.run(["xwininfo", "-id", str(window)], check)
        if not check and "Width:" not in out:
            return None
        return tuple(int(re.search(key + r":\s+(-?\d+)", out).group(1)) for key in
                     ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def rename_window(self):
        found = self.xdotool("search", "--onlyvisible", "--name", "^Rename Spaces$", check=False)
        return int(found.split()[0]) if found.split() else None

    def title(self):
        """The title quillbar --print-title answers ("" when none does)."""
        return self.run([QUILLBAR, "--print-title"], check=False).rstrip("\n")

    def wait_title(self, expected, timeout=20):
        self.wait_value(self.title, expected, timeout)

    def wait_value(self, get, expected, timeout=20):
        self.wait_until(lambda: get() == expected, timeout=timeout,
                        message=lambda: "%r, not %r" % (get(), expected))

    def wait_stored(self, key, entry, conf=None):
        """Waits until the settings file stores entry ((name, emoji)) for key."""
        self.wait_value(lambda: stored_table(conf or self.conf_path()).get(key), entry)

    def bus_property(self, service, path, interface, name):
        """dbus-send's answer to a property Get on the session bus ("" when none came)."""
        return self.run(["dbus-send", "--session", "--print-reply", "--dest=" + service, path,
                         "org.freedesktop.DBus.Properties.Get", "string:" + interface,
                         "string:" + name], check=False)

    def watcher(self, name):
        return self.bus_property(SNI_WATCHER, "/StatusNotifierWatcher", SNI_WATCHER, name)

    def wait_sni_host(self, timeout):
        self.wait_until(lambda: "true" in self.watcher("IsStatusNotifierHostRegistered"),
                        timeout=timeout, message="no StatusNotifier host registered")

    def notifier_title(self):
        """The first registered StatusNotifierItem's Title, once one is registered."""
        items = self.wait_until(
            lambda: self.watcher("RegisteredStatusNotifierItems").split('string "')[1:],
            timeout=20, message="no item registered")
        return self.bus_property(items[0].split('"')[0].split("/")[0], "/StatusNotifierItem",
                                 "org.kde.StatusNotifierItem", "Title")

    def crop(self, x, y, width, height):
        """An area of the screen as 8-bit RGB bytes."""
        return self.run(["import", "-window", "root", "-crop",
                         "%dx%d+%d+%d" % (width, height, x, y), "-depth", "8", "rgb:-"],
                        text=False)

    def conf_path(self):
        return os.path.join(self.env["XDG_CONFIG_HOME"], "quillbar", "quillbar.conf")

    def write_settings(self, table=None, text=""):
        """Settings past the first run, a name table ({key: name or (name, emoji)}), text."""
        os.makedirs(os.path.dirname(self.conf_path()), exist_ok=True)
        with open(self.conf_path(), "w") as conf:
            conf.write("[General]\nHasCompletedFirstRun.v1=true\n" +
                       (table_line(table) if table else "") + text)
        return self.conf_path()

    def set_desktop_names(self, names):
        """Sets the root's _NET_DESKTOP_NAMES as a pager does (xprop cannot write NULs)."""
        self.run([sys.executable, "-c", SET_DESKTOP_NAMES, *names])

    def click(self, x, y):
        self.xdotool("mousemove", str(x), str(y), "click", "1")

    def screenshot(self, name, window="root"):
        """Keeps a picture of the screen (or of one window) as <artifacts>/<name>.png."""
        os.makedirs(self.artifacts, exist_ok=True)
        path = os.path.join(self.artifacts, name + ".png")
        self.run(["import", "-window", str(window), path])

    @staticmethod
    def wait_until(predicate, timeout=10.0, message=""):
        """The predicate's first truthy value, polled every 20 ms; else TimeoutError."""
        deadline = time.monotonic() + timeout
        while not (value := predicate()):
            if time.monotonic() >= deadline:
                raise TimeoutError((message() if callable(message) else message) or
                                   "condition not met within %.1f s" % timeout)
            time.sleep(0.02)
        return value


# Run on the desktop's environment (its DISPLAY and XAUTHORITY): names in argv, through libX11.
SET_DESKTOP_NAMES = """
import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = x.XInternAtom.restype = x.XDefaultRootWindow.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XDefaultRootWindow.argtypes = x.XCloseDisplay.argtypes = [ctypes.c_void_p]
x.XChangeProperty.argtypes = [ctypes.c_void_p] + [ctypes.c_void_p] * 3 + [ctypes.c_int] * 2 + [
    ctypes.c_char_p, ctypes.c_int]
display = x.XOpenDisplay(None)
data = b"".join(name.encode() + b"\\0" for name in sys.argv[1:])
x.XChangeProperty(display, x.XDefaultRootWindow(display),
                  x.XInternAtom(display, b"_NET_DESKTOP_NAMES", 0),
                  x.XInternAtom(display, b"UTF8_STRING", 0), 8, 0, data, len(data))
x.XCloseDisplay(display)
"""
TABLE = "SpaceAssignments.v1"
ESCAPES = {"a": "\a", "b": "\b", "f": "\f", "n": "\n", "r": "\r", "t": "\t", "v": "\v",
           "0": "\0"}


def table_line(table):
    """A settings line storing table ({key: name or (name, emoji)}) as Quillbar does."""
    entries = {key: dict(zip(("name", "emoji"), (v, "") if isinstance(v, str) else v))
               for key, v in table.items()}
    text = json.dumps(entries, separators=(",", ":"))
    return '%s="@ByteArray(%s)"\n' % (TABLE, text.replace("\\", "\\\\").replace('"', '\\"'))


def ini_value(raw):
    """An INI value as QSettings writes it, unescaped."""
    out, quoted, i = [], False, 0
    while i < len(raw):
        c = raw[i]
        if c == '"':
            quoted = not quoted
        elif c == "\\" and i + 1 < len(raw):
            i += 1
            if raw[i] == "x":
                digits = re.match(r"[0-9a-fA-F]*", raw[i + 1:]).group(0)
                out.append(chr(int(digits or "0", 16)))
                i += len(digits)
            else:
                out.append(ESCAPES.get(raw[i], raw[i]))
        elif c == ";" and not quoted:
            break
        else:
            out.append(c)
        i += 1
    return "".join(out).strip() if not quoted else "".join(out)


def stored_table(path):
    """The file's name table as {key: (name, emoji)} ({} without one); raises when unreadable."""
    with open(path, encoding="latin-1") as conf:
        raw = next((line.rstrip("\n").partition("=")[2] for line in conf
                    if line.partition("=")[0].strip() == TABLE), None)
    if raw is None:
        return {}
    match = re.fullmatch(r"@ByteArray\((.*)\)", ini_value(raw), re.S)
    if not match:
        raise ValueError("the table is not stored as bytes: %r" % raw)
    table = json.loads(match.group(1).encode("latin-1").decode("utf-8"))
    return {key: (entry["name"], entry["emoji"]) for key, entry in table.items()}


def set_setting(path, key, value):
    """Sets one key of [General] in a settings file (while Quillbar is stopped)."""
    with open(path, encoding="latin-1") as conf:
        lines = [line for line in conf.read().splitlines() if line.partition("=")[0] != key]
    lines.insert(lines.index("[General]") + 1, "%s=%s" % (key, value))
    with open(path, "w", encoding="latin-1") as conf:
        conf.write("\n".join(lines) + "\n")


def resident_kb(pid):
    with open("/proc/%d/status" % pid) as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))


class Lines:
    """A program whose lines on one stream are collected."""

    def __init__(self, desk, args, env=None, stream="stderr"):
        self.desk, self.lines = desk, []
        pipes = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        pipes[stream] = subprocess.PIPE
        self.proc = desk.start_process(args, env=env or desk.env, text=True, **pipes)
        threading.Thread(target=self._read, args=(getattr(self.proc, stream),),
                         daemon=True).start()

    def _read(self, stream):
        for line in stream:
            self.lines.append(line.rstrip("\n"))

    def wait_for_line(self, text):
        return self.desk.wait_until(lambda: any(text in line for line in self.lines), timeout=20,
                                    message=lambda: "no line %r in %r" % (text, self.lines[-20:]))

    def wait_for(self, count):
        """The first count lines, once there are as many."""
        return self.desk.wait_until(lambda: len(self.lines) >= count and self.lines[:count],
                                    timeout=20, message=lambda: "lines: %r" % self.lines)

    def stop(self):
        """Ends the program like a logout does and returns its exit status."""
        self.desk.stop_process(self.proc)
        return self.proc.returncode


class App(Lines):
    """quillbar --verbose with its stderr lines collected (prefix: a command running it)."""

    def __init__(self, desk, program=QUILLBAR, *args, env=None, prefix=()):
        super().__init__(desk, [*prefix, program, "--verbose", *args], env)
        self.again = lambda: App(desk, program, *args, env=env, prefix=prefix)

    def sharing(self, conf, share):
        """Stops (exit status 0), sets "use these names in the desktop", starts again."""
        status = self.stop()
        if status != 0:
            raise AssertionError("quillbar exit status %s" % status)
        set_setting(conf, "UseNamesInDesktop.v1", str(share).lower())
        return self.again()

    def menus(self):
        """Every menu shown, as lists of rows ("✓" marks the checked one)."""
        return [line[len(MENU):].split(" | ") for line in self.lines if line.startswith(MENU)]

    def open_menu(self):
        """Clicks the only tray icon; returns the menu's rows once the menu shows."""
        x, y, _, _ = self.desk.geometry(self.desk.wait_for_icons(1)[0])
        seen = len(self.menus())
        self.desk.click(x + 10, y + 10)
        self.desk.wait_until(lambda: len(self.menus()) > seen, timeout=20,
                             message="the menu did not open")
        self.desk.wait_until(self.menu_window, timeout=20, message="no menu window")
        return self.menus()[-1]

    def menu_window(self):
        """The open menu: a visible popup of the program taller than a tooltip."""
        return next((window for window, (_, _, _, height) in self.desk.visible_windows()
                     if height > 60 and self.desk.prop("WM_TRANSIENT_FOR", window)), None)


class DesktopTest(unittest.TestCase):
    """A test on its own Desktop that leaves a screenshot when it fails."""

    desktops, window_manager, names = 4, True, None

    def make_desktop(self):
        """The desktop each test gets (a subclass may give another kind)."""
        return Desktop(self.desktops, self.window_manager, names=self.names)

    def setUp(self):
        self.desk = self.make_desktop()
        self.desk.start()
        self.addCleanup(self.desk.stop)
        self.addCleanup(self._screenshot_if_failed)

    def _screenshot_if_failed(self):
        result = self._outcome.result
        if any(test is self for test, _ in result.failures + result.errors):
            self.desk.screenshot("failed-" + self._testMethodName)
