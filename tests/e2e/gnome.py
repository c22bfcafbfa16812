# SPDX-License-Identifier: GPL-3.0-or-later
"""Headless GNOME Shell with the extension enabled; bus work, screenshots and input go through
gnome_client.py (python3-gi). Services the bus starts are found by a marker in their environment
and reaped (this process is their subreaper)."""

import ast
import ctypes
import itertools
import json
import os
import shutil
import signal
import subprocess
import sys
import threading
import time

from desktop import Desktop, HERE

UUID = "quillbar@quillbar.org"
# GNOME 50+ refuses org.gnome.Shell.Screenshot to other programs: a test extension takes them.
SHOT_UUID, SHOT_NAME = "quillbar-test-shot@quillbar.org", "org.quillbar.TestShot"
SHOT_PATH = "/org/quillbar/TestShot"
SHOT_SOURCE = os.path.join(HERE, "gnome-shot")
SOURCE = os.path.join(HERE, "..", "..", "gnome")
SHELL_NAME, SHELL_PATH = "org.quillbar.Shell", "/org/quillbar/Shell"
SHELL_IFACE = "org.quillbar.Shell.Workspaces"
WIDTH, HEIGHT, TOP_BAR = 1280, 800, 32
KEYSYMS = {"Return": 0xff0d, "Escape": 0xff1b, "Down": 0xff54, "Right": 0xff53,
           "Control_L": 0xffe3, "Alt_L": 0xffe9}
BTN_LEFT = 0x110
_sessions = itertools.count(1)


def available():
    """Why GNOME Shell tests cannot run here, or None when they can."""
    if not shutil.which("gnome-shell"):
        return "gnome-shell is not installed"
    if not client_python():
        return "no Python with python3-gi (gi.repository) for the bus client"
    return None


def client_python():
    """A Python interpreter that can import gi: this one, else the system's."""
    for candidate in (sys.executable, "/usr/bin/python3"):
        if candidate and os.access(candidate, os.X_OK) and subprocess.run(
                [candidate, "-c", "import gi"], capture_output=True).returncode == 0:
            return candidate
    return None


def shell_version():
    """The installed GNOME Shell's major version (0 when it does not say)."""
    try:
        out = subprocess.run(["gnome-shell", "--version"], capture_output=True, text=True,
                             timeout=30).stdout
        return int(out.split()[-1].split(".")[0])
    except (OSError, ValueError, IndexError, subprocess.TimeoutExpired):
        return 0


def extension_source():
    """{name: path} of the extension's files: the built ones, else the source's variant."""
    built = os.environ.get("QUILLBAR_GNOME_EXTENSION")
    if built:
        return {name: os.path.join(built, name) for name in os.listdir(built)}
    variant = os.path.join(SOURCE, "legacy" if shell_version() < 45 else "module")
    return {"quillbar.js": os.path.join(SOURCE, "quillbar.js"),
            "extension.js": os.path.join(variant, "extension.js"),
            "metadata.json": os.path.join(variant, "metadata.json")}


class BusError(RuntimeError):
    def __init__(self, text):
        super().__init__(text)
        self.name = text.split(":", 1)[0]


class Client:
    """The bus client child: request(op, **args) waits for its answer; events are collected."""

    def __init__(self, desk):
        self.desk, self.events, self._answers = desk, [], {}
        self._ids, self._lock = itertools.count(1), threading.Condition()
        self.proc = desk.start_process(
            [client_python(), "-u", os.path.join(HERE, "gnome_client.py")],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=None, text=True)
        threading.Thread(target=self._read, daemon=True).start()
        desk.wait_until(lambda: self.find("ready"), message="the bus client did not start")

    def _read(self):
        for line in self.proc.stdout:
            message = json.loads(line)
            with self._lock:
                if "id" in message:
                    self._answers[message["id"]] = message
                else:
                    self.events.append(message)
                self._lock.notify_all()

    def find(self, kind, **fields):
        """The events of this kind (with these field values) so far."""
        with self._lock:
            return [e for e in self.events if e["event"] == kind and
                    all(e.get(k) == v for k, v in fields.items())]

    def request(self, op, timeout=30, **args):
        ident = next(self._ids)
        self.proc.stdin.write(json.dumps(dict(args, op=op, id=ident)) + "\n")
        self.proc.stdin.flush()
        with self._lock:
            if not self._lock.wait_for(lambda: ident in self._answers, timeout):
                raise TimeoutError("no answer to %s" % op)
            answer = self._answers.pop(ident)
        if "error" in answer:
            raise BusError(answer["error"])
        return answer.get("result")


class GnomeShell(Desktop):
    """shell_versions: the versions the copied metadata lists instead."""

    def __init__(self, workspaces=4, names=(), shell_versions=None):
        super().__init__(desktops=workspaces, window_manager=True)
        self.names, self.shell_versions = list(names), shell_versions
        self.shot_helper = shell_version() >= 50
        self.shell, self.client, self.log_path, self._pointer = None, None, None, None

    def _start_xvfb(self):  # no X server: the shell is its own Wayland display
        libc = ctypes.CDLL(None, use_errno=True)
        libc.prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER: services the bus starts are ours
        self.private_env(("GNOME_", "GDK_"), XDG_SESSION_TYPE="wayland",
                         XDG_CURRENT_DESKTOP="GNOME", QUILLBAR_GNOME_SESSION=self._home,
                         GSETTINGS_BACKEND="dconf")

    def start_window_manager(self):
        """Starts the "system" bus, the bus client, the settings, then the shell."""
        self.env["DBUS_SYSTEM_BUS_ADDRESS"] = self.start_bus().address
        self.client = Client(self)
        values = [("org.gnome.mutter", "dynamic-workspaces", "false"),
                  ("org.gnome.desktop.wm.preferences", "num-workspaces", str(self.desktops)),
                  ("org.gnome.desktop.wm.preferences", "workspace-names", self._strv(self.names)),
                  ("org.gnome.desktop.interface", "enable-animations", "false"),
                  ("org.gnome.desktop.interface", "enable-hot-corners", "false"),
                  ("org.gnome.desktop.notifications", "show-banners", "false"),
                  ("org.gnome.shell", "welcome-dialog-last-shown-version", "'999'"),
                  ("org.gnome.shell", "disable-user-extensions", "false"),
                  ("org.gnome.shell", "enabled-extensions",
                   self._strv([UUID] + ([SHOT_UUID] if self.shot_helper else [])))]
        self.client.request("settings", values=values)
        self.install_extension()
        if self.shot_helper:
            self._copy_extension(SHOT_UUID, {name: os.path.join(SHOT_SOURCE, name)
                                             for name in os.listdir(SHOT_SOURCE)})
        self.start_shell()

    def install_extension(self):
        folder = self._copy_extension(UUID, extension_source())
        if self.shell_versions:
            path = os.path.join(folder, "metadata.json")
            with open(path) as source:
                metadata = json.load(source)
            with open(path, "w") as out:
                json.dump(dict(metadata, **{"shell-version": self.shell_versions}), out)

    def _copy_extension(self, uuid, files):
        folder = os.path.join(self.env["XDG_DATA_HOME"], "gnome-shell", "extensions", uuid)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for name, path in files.items():
            shutil.copy(path, os.path.join(folder, name))
        return folder

    def _wait_for_shell(self):
        self.wait_until(lambda: self._alive(self.shell) and "GNOME Shell started at" in self.log()
                        and (self.shell_versions or self.owner(SHELL_NAME))
                        and (not self.shot_helper or self.owner(SHOT_NAME)), timeout=60,
                        message=lambda: "GNOME Shell did not start: " + self.log()[-2000:])

    def start_shell(self):
        """A shell killed by a signal during start-up (43 does, under load) gets one retry."""
        os.makedirs(self.artifacts, exist_ok=True)
        for attempt in (1, 2):
            self.log_path = os.path.join(self.artifacts, "gnome-shell-%d-%d.log" % (
                os.getpid(), next(_sessions)))
            with open(self.log_path, "w") as log:
                self.shell = self.start_process(
                    ["gnome-shell", "--headless", "--virtual-monitor", "%dx%d" % (WIDTH, HEIGHT),
                     "--wayland", "--no-x11"], stdout=log, stderr=subprocess.STDOUT)
            try:
                self._wait_for_shell()
                break
            except RuntimeError:
                if attempt == 2 or (self.shell.returncode or 0) >= 0:
                    raise
                self.stop_process(self.shell)
        self.call("org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Set",
                  "(ssv)", "org.gnome.Shell", "OverviewActive", {"v": False})
        self.wait_until(lambda: not self.property("org.gnome.Shell", "/org/gnome/Shell",
                                                  "org.gnome.Shell", "OverviewActive"),
                        message="the overview did not close")
        self.env["WAYLAND_DISPLAY"] = "wayland-0"
        # The input session now: its screen-sharing button in the top bar must not come later.
        self.client.request("input", steps=[], new_session=True)
        self.move_pointer(WIDTH // 2, HEIGHT // 2)
        self.wait_stable_top_bar()

    def wait_stable_top_bar(self, name="top-bar"):
        """The last of two agreeing screenshots in a row of the drawn top bar."""
        shots = []

        def stable():
            shots.append(self.screenshot_top_bar("%s-%d" % (name, len(shots) % 2)))
            drawn = float(self.run(["convert", shots[-1], "-format", "%[fx:standard_deviation]",
                                    "info:"])) > 0
            return drawn and len(shots) > 1 and not self.changed_area(shots[-2], shots[-1])
        self.wait_until(stable, message="the top bar was never drawn, or never still")
        return shots[-1]

    def stop_shell(self):
        self._pointer = None
        if self.shell:
            self.stop_process(self.shell)
            self.shell = None

    def stop(self):
        """Ends the shell, the client, the services the bus started, the buses."""
        self.stop_shell()
        if self.client:
            self.stop_process(self.client.proc)
            self.client = None
        self._stop_marked()
        super().stop()

    def _stop_marked(self):
        if not self._home:
            return
        ours = {p.pid for p in self._processes}
        marker = ("QUILLBAR_GNOME_SESSION=" + self._home).encode()
        started = []
        for pid in (int(p) for p in os.listdir("/proc") if p.isdigit()):
            try:
                with open("/proc/%d/environ" % pid, "rb") as env:
                    if pid not in ours and marker in env.read().split(b"\0"):
                        os.kill(pid, signal.SIGTERM)
                        started.append(pid)
            except OSError:
                continue
        deadline = time.monotonic() + 10
        for pid in started:
            while self._running(pid) and time.monotonic() < deadline:
                time.sleep(0.02)
            if self._running(pid):
                os.kill(pid, signal.SIGKILL)
        self._reap(ours)

    @staticmethod
    def _running(pid):
        try:
            with open("/proc/%d/stat" % pid) as stat:
                return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
        except OSError:
            return False

    @staticmethod
    def _reap(ours):
        """Waits on the ended orphans handed to this process (as subreaper)."""
        for pid in (int(p) for p in os.listdir("/proc") if p.isdigit()):
            if pid in ours:
                continue
            try:
                with open("/proc/%d/stat" % pid) as stat:
                    fields = stat.read().rsplit(")", 1)[1].split()
                if fields[0] == "Z" and int(fields[1]) == os.getpid():
                    os.waitpid(pid, 0)
            except (OSError, ChildProcessError, IndexError, ValueError):
                continue

    @staticmethod
    def _strv(values):
        # As UTF-8: GVariant's text has no surrogate pairs for JSON's escapes of emoji to make.
        return "@as " + json.dumps(list(values), ensure_ascii=False)

    def call(self, dest, path, interface, method, signature=None, *args):
        """A method call; its values as a list; BusError on an error. {"v": x} is a variant."""
        return self.client.request("call", dest=dest, path=path, interface=interface,
                                   method=method, signature=signature, args=list(args))

    def property(self, dest, path, interface, name):
        return self.call(dest, path, "org.freedesktop.DBus.Properties", "Get", "(ss)",
                         interface, name)[0]

    def owner(self, name):
        """The unique name owning a bus name, or None."""
        try:
            return self.call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                             "org.freedesktop.DBus", "GetNameOwner", "(s)", name)[0]
        except BusError:
            return None

    def watch(self, member, interface=SHELL_IFACE):
        """Collects the signals member of interface from now on."""
        self.client.request("watch", interface=interface, member=member)

    def signals(self, member):
        return [e["args"] for e in self.client.find("signal", member=member)]

    def log(self):
        with open(self.log_path, errors="replace") as log:
            return log.read()

    def js_errors(self):
        return [line for line in self.log().splitlines() if "JS ERROR" in line]

    def workspaces(self):
        names, active = self.call(SHELL_NAME, SHELL_PATH, SHELL_IFACE, "GetWorkspaces")
        return names, active

    def activate(self, index):
        self.call(SHELL_NAME, SHELL_PATH, SHELL_IFACE, "Activate", "(u)", index)

    def set_workspace_name(self, index, name, signature="(is)"):
        self.call(SHELL_NAME, SHELL_PATH, SHELL_IFACE, "SetWorkspaceName", signature, index, name)

    def top_bar_button(self):
        return self.property(SHELL_NAME, SHELL_PATH, SHELL_IFACE, "TopBarButton")

    def gsettings(self, schema, key, value):
        self.run(["gsettings", "set", schema, key, value])

    def setting(self, schema, key):
        return self.run(["gsettings", "get", schema, key]).strip()

    def names_setting(self):
        """GNOME's "workspace-names" as a list."""
        text = self.setting("org.gnome.desktop.wm.preferences", "workspace-names")
        return [] if text.startswith("@as") else ast.literal_eval(text)

    def set_names(self, names):
        self.gsettings("org.gnome.desktop.wm.preferences", "workspace-names", self._strv(names))

    def set_count(self, count):
        self.gsettings("org.gnome.desktop.wm.preferences", "num-workspaces", str(count))

    def set_extension(self, enabled):
        self.run(["gnome-extensions", "enable" if enabled else "disable", UUID])

    def screenshot(self, name, x=0, y=0, width=WIDTH, height=HEIGHT):
        """Keeps an area of the screen as <artifacts>/<name>.png; its path."""
        os.makedirs(self.artifacts, exist_ok=True)
        path = os.path.join(self.artifacts, name + ".png")
        self.client.request("screenshot", file=path, x=x, y=y, width=width, height=height,
                            helper=self.shot_helper)
        return path

    def screenshot_top_bar(self, name):
        return self.screenshot(name, height=TOP_BAR)

    def wait_menu_drawn(self, closed, name):
        """The menu's area once its rows are drawn (far taller than the menu first shown)."""
        return self.wait_until(lambda: [a for a in [self.changed_area(closed, self.screenshot(
            name, height=400))] if a and a[3] > 200], message="the menu did not show its rows")[0]

    def changed_area(self, before, after):
        """Where two screenshots differ (or None), but for the top bar's changing left half."""
        out = self.run(["convert", before, after, "-compose", "difference", "-composite",
                        "-fill", "black", "-draw", "rectangle 0,0 %d,%d" % (
                            WIDTH // 2 + 120, TOP_BAR - 1),
                        "-threshold", "8%", "-trim", "-format", "%w %h %X %Y", "info:"])
        width, height, x, y = (int(v) for v in out.split())
        return None if width <= 1 and height <= 1 else (x, y, width, height)

    def move_pointer(self, x, y):
        """Before GNOME 50, relative moves, the first from the top-right corner (not the
        overview's top-left one)."""
        x, y = max(0, min(WIDTH - 1, x)), max(0, min(HEIGHT - 1, y))
        if self.shot_helper:  # GNOME 50 accelerates relative motion
            self.call(SHOT_NAME, SHOT_PATH, SHOT_NAME, "MovePointer", "(ii)", x, y)
            self._pointer = (x, y)
            return
        steps = []
        if self._pointer is None:
            steps.append(["move", 4 * WIDTH, -4 * HEIGHT])
            self._pointer = (WIDTH - 1, 0)
        steps.append(["move", x - self._pointer[0], y - self._pointer[1]])
        self.client.request("input", steps=steps)
        self._pointer = (x, y)

    def click(self, x, y, button=BTN_LEFT):
        self.move_pointer(x, y)
        self.client.request("input", steps=[["button", button, True], ["button", button, False]])

    def keys(self, *names):
        """Presses and releases each key ("Down", or a keysym number); "A+B" holds A for B."""
        steps = []
        for name in names:
            syms = [KEYSYMS.get(part, part) for part in str(name).split("+")]
            syms = [int(s, 0) if isinstance(s, str) and s[:1].isdigit() else
                    (ord(s) if isinstance(s, str) else s) for s in syms]
            steps += [["key", s, True] for s in syms] + [["key", s, False] for s in reversed(syms)]
        self.client.request("input", steps=steps)
