"""A real X desktop for end-to-end tests: Xvfb, a private session bus and openbox.

Usage::

    from desktop import Desktop

    with Desktop(desktops=4) as desk:          # Xvfb + session bus + openbox, all stopped on exit
        desk.wmctrl("-s", "2")                  # run X tools against it (returns stdout)
        desk.wait_until(lambda: desk.current_desktop() == 2, timeout=10)
        proc = desk.start_process(["my-app"])   # started with desk.env; stopped by stop()
        desk.screenshot("after-switch")         # <artifacts>/after-switch.png

API
    Desktop(desktops=4, window_manager=True, size="1280x800", artifacts=None)
    .env                  environment for programs on this desktop (DISPLAY, DBUS_SESSION_BUS_ADDRESS,
                          private HOME and XDG directories)
    .display              the display name, e.g. ":7"
    .start() / .stop()    what the context manager calls; stop() ends every process started here
    .start_process(args, **popen_kwargs) -> Popen, stopped (and waited on) by stop()
    .stop_process(proc)   ends one process started here
    .start_window_manager() / .replace_window_manager() / .stop_window_manager()
    .start_tray()         trayer at the top edge (a system tray); returns its Popen
    .wmctrl(*args), .xdotool(*args), .xprop(*args) -> stdout text
    .root_cardinal(name)  a CARDINAL root property as an int, or None
    .current_desktop(), .desktop_count()
    .windows_of_class(name) -> list of window ids (ints)
    .screenshot(name) -> path of the PNG (in build/e2e-artifacts unless told otherwise)
    .wait_until(predicate, timeout=10.0, message="") -> the predicate's truthy value, else raises
                          TimeoutError; polls the state every 20 ms

Every process is started with its own pid tracked and is waited on when stopped: PID 1 of a
container does not reap orphans. A bus is never auto-started: the environment names the private one.
"""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_ARTIFACTS = os.environ.get(
    "QUILLBAR_E2E_ARTIFACTS", os.path.join(HERE, "..", "..", "build", "e2e-artifacts"))

OPENBOX_RC = """<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <resistance><strength>0</strength><screen_edge_strength>0</screen_edge_strength></resistance>
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <theme><name>Clearlooks</name><animateIconify>no</animateIconify></theme>
  <desktops>
    <number>{desktops}</number>
    <firstdesk>1</firstdesk>
    <popupTime>0</popupTime>
  </desktops>
  <keyboard>
    <keybind key="C-Left">
      <action name="GoToDesktop"><to>left</to><wrap>no</wrap></action>
    </keybind>
    <keybind key="C-Right">
      <action name="GoToDesktop"><to>right</to><wrap>no</wrap></action>
    </keybind>
  </keyboard>
  <mouse><dragThreshold>1</dragThreshold></mouse>
</openbox_config>
"""


class Desktop:
    """Xvfb on a free display, a private session bus and (unless told otherwise) openbox."""

    def __init__(self, desktops=4, window_manager=True, size="1280x800", artifacts=None):
        self.desktops = desktops
        self.with_window_manager = window_manager
        self.size = size
        self.artifacts = os.path.abspath(artifacts or DEFAULT_ARTIFACTS)
        self.display = None
        self.env = None
        self._home = None
        self._processes = []
        self._window_manager = None
        self._xvfb = None
        self._bus = None

    # Lifetime -------------------------------------------------------------------------------

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self):
        try:
            self._home = tempfile.mkdtemp(prefix="quillbar-e2e-")
            self._start_xvfb()
            self._start_bus()
            if self.with_window_manager:
                self.start_window_manager()
        except BaseException:
            self.stop()
            raise

    def stop(self):
        """Ends every process started here, newest first, and waits on each."""
        for proc in reversed(list(self._processes)):
            self.stop_process(proc)
        self._window_manager = None
        if self._home:
            shutil.rmtree(self._home, ignore_errors=True)
            self._home = None

    def start_process(self, args, **kwargs):
        """Starts a program on this desktop (env defaults to .env); stop() ends it."""
        kwargs.setdefault("env", self.env)
        kwargs.setdefault("stdin", subprocess.DEVNULL)
        proc = subprocess.Popen(args, **kwargs)
        self._processes.append(proc)
        return proc

    def stop_process(self, proc, timeout=10):
        """Ends a process started here: SIGTERM, then SIGKILL; always waits on it."""
        if proc.poll() is None:
            proc.terminate()
            try:
                proc.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        for stream in (proc.stdin, proc.stdout, proc.stderr):
            if stream:
                stream.close()
        if proc in self._processes:
            self._processes.remove(proc)

    # X server and bus ------------------------------------------------------------------------

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        try:
            self._xvfb = self.start_process(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.size + "x24",
                 "-nolisten", "tcp", "-noreset"],
                env=dict(os.environ), pass_fds=(write_end,),
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.close(write_end)
            write_end = None
            number = b""
            while not number.endswith(b"\n"):
                chunk = os.read(read_end, 64)
                if not chunk:
                    raise RuntimeError("Xvfb did not start")
                number += chunk
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)
        self.display = ":" + number.decode().strip()
        env = {key: value for key, value in os.environ.items()
               if not key.startswith(("DBUS_", "XDG_", "WAYLAND_", "QT_", "DESKTOP_SESSION"))}
        runtime = os.path.join(self._home, "runtime")
        os.mkdir(runtime, 0o700)
        env.update({
            "DISPLAY": self.display,
            "HOME": self._home,
            "XDG_RUNTIME_DIR": runtime,
            "XDG_CONFIG_HOME": os.path.join(self._home, "config"),
            "XDG_CACHE_HOME": os.path.join(self._home, "cache"),
            "XDG_DATA_HOME": os.path.join(self._home, "data"),
            "QT_QPA_PLATFORM": "xcb",
            "NO_AT_BRIDGE": "1",
        })
        self.env = env

    def _start_bus(self):
        # --nofork keeps the daemon our child, so that we can wait on it.
        self._bus = self.start_process(
            ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"],
            env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        address = self._bus.stdout.readline().strip()
        if not address:
            raise RuntimeError("dbus-daemon did not start")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address

    # Window manager --------------------------------------------------------------------------

    def _openbox_config(self):
        path = os.path.join(self._home, "openbox-rc.xml")
        with open(path, "w") as rc:
            rc.write(OPENBOX_RC.format(desktops=self.desktops))
        return path

    def _launch_openbox(self, *extra):
        previous_check = self.root_window("_NET_SUPPORTING_WM_CHECK")
        proc = self.start_process(["openbox", "--config-file", self._openbox_config(), *extra],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wait_until(lambda: self._has_new_window_manager(previous_check, proc), timeout=20,
                        message="openbox did not take over the screen")
        return proc

    def _has_new_window_manager(self, previous_check, proc):
        if proc.poll() is not None:
            raise RuntimeError("openbox exited with %s" % proc.returncode)
        check = self.root_window("_NET_SUPPORTING_WM_CHECK")
        return check is not None and check != previous_check and self.desktop_count() is not None

    def start_window_manager(self):
        """Starts openbox with the test configuration and waits until it manages the screen."""
        self._window_manager = self._launch_openbox()
        return self._window_manager

    def replace_window_manager(self):
        """Starts a new openbox with --replace; waits until it runs and the old one has exited."""
        old = self._window_manager
        self._window_manager = self._launch_openbox("--replace")
        if old is not None:
            old.wait(timeout=20)
            self.stop_process(old)
        return self._window_manager

    def stop_window_manager(self):
        if self._window_manager is not None:
            self.stop_process(self._window_manager)
            self._window_manager = None

    def start_tray(self):
        """Starts trayer (a system tray) at the top edge and waits until it owns the tray selection."""
        proc = self.start_process(
            ["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "200",
             "--height", "24", "--SetDockType", "true", "--transparent", "false"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wait_until(lambda: self._tray_owned(proc), timeout=20, message="trayer did not start")
        return proc

    def _tray_owned(self, proc):
        if proc.poll() is not None:
            raise RuntimeError("trayer exited with %s" % proc.returncode)
        out = self.xdotool("search", "--classname", "trayer", check=False)
        return bool(out.strip())

    # Tools -----------------------------------------------------------------------------------

    def run(self, args, check=True, timeout=30):
        """Runs a program to completion on this desktop and returns its standard output."""
        done = subprocess.run(args, env=self.env, stdin=subprocess.DEVNULL, capture_output=True,
                              text=True, timeout=timeout)
        if check and done.returncode != 0:
            raise RuntimeError("%s failed (%s): %s" % (" ".join(args), done.returncode,
                                                        done.stderr.strip()))
        return done.stdout

    def wmctrl(self, *args, check=True):
        return self.run(["wmctrl", *args], check=check)

    def xdotool(self, *args, check=True):
        return self.run(["xdotool", *args], check=check)

    def xprop(self, *args, check=True):
        return self.run(["xprop", *args], check=check)

    def root_cardinal(self, name):
        out = self.xprop("-root", "-notype", "32c", name, check=False)
        match = re.search(r"=\s*(\d+)", out)
        return int(match.group(1)) if match else None

    def root_window(self, name):
        out = self.xprop("-root", "-notype", name, check=False)
        match = re.search(r"(?:=|#)\s*(0x[0-9a-fA-F]+)", out)
        value = int(match.group(1), 16) if match else None
        return value or None

    def current_desktop(self):
        return self.root_cardinal("_NET_CURRENT_DESKTOP")

    def desktop_count(self):
        return self.root_cardinal("_NET_NUMBER_OF_DESKTOPS")

    def window_desktop(self, window):
        out = self.xprop("-id", str(window), "-notype", "32c", "_NET_WM_DESKTOP", check=False)
        match = re.search(r"=\s*(\d+)", out)
        return int(match.group(1)) if match else None

    def windows_of_class(self, name):
        out = self.xdotool("search", "--class", "^%s$" % re.escape(name), check=False)
        return [int(line) for line in out.split()]

    def active_window(self):
        return self.root_window("_NET_ACTIVE_WINDOW")

    def screenshot(self, name):
        os.makedirs(self.artifacts, exist_ok=True)
        path = os.path.join(self.artifacts, name + ".png")
        self.run(["import", "-window", "root", path])
        return path

    # Waiting ---------------------------------------------------------------------------------

    @staticmethod
    def wait_until(predicate, timeout=10.0, message=""):
        """Returns the predicate's first truthy value; raises TimeoutError after timeout seconds."""
        deadline = time.monotonic() + timeout
        while True:
            value = predicate()
            if value:
                return value
            if time.monotonic() >= deadline:
                raise TimeoutError(message or "condition not met within %.1f s" % timeout)
            time.sleep(0.02)
