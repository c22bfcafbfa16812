"""End to end: Quillbar in a real tray (trayer) on Xvfb with openbox and a private session bus."""

import os
import re
import subprocess
import sys
import tempfile
import threading
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

from desktop import Desktop  # noqa: E402

QUILLBAR = os.environ.get("QUILLBAR", os.path.join(HERE, "..", "..", "build", "src", "app",
                                                   "quillbar"))
QUILLBAR_OTHER_ID = os.environ.get("QUILLBAR_OTHER_ID")
# A docked icon: a window named "quillbar" of class "quillbar" nested inside the tray.
ICON = re.compile(r'^\s{8,}(0x[0-9a-f]+) "quillbar": \("[^"]+" "quillbar"\)', re.M)


class Instance:
    """A running Quillbar whose stderr is collected line by line."""

    def __init__(self, desk, program=QUILLBAR):
        self.desk = desk
        self.lines = []
        self.proc = desk.start_process([program, "--verbose"], stdout=subprocess.DEVNULL,
                                       stderr=subprocess.PIPE, text=True)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for line in self.proc.stderr:
            self.lines.append(line.rstrip("\n"))

    def wait_for_line(self, pattern, after=0):
        regex = re.compile(pattern)
        return self.desk.wait_until(
            lambda: next((l for l in self.lines[after:] if regex.search(l)), None),
            timeout=20, message="no line matching %r in %r" % (pattern, self.lines[-20:]))

    def menu_lines(self):
        return [l for l in self.lines if l.startswith("quillbar: menu: ")]


class TrayTest(unittest.TestCase):
    def setUp(self):
        self.desk = Desktop(desktops=4)
        self.desk.start()
        self.addCleanup(self.desk.stop)
        # Not a first launch: the rename window stays closed and leaves the focus alone.
        config = os.path.join(self.desk.env["XDG_CONFIG_HOME"], "quillbar")
        os.makedirs(config)
        with open(os.path.join(config, "quillbar.conf"), "w") as conf:
            conf.write("[General]\nHasCompletedFirstRun.v1=true\n")

    def icons(self):
        return ICON.findall(self.desk.run(["xwininfo", "-root", "-tree"]))

    def wait_for_icons(self, count):
        return self.desk.wait_until(lambda: len(self.icons()) == count and self.icons(),
                                    timeout=20, message="expected %d docked icons" % count)

    def client(self, *args, **kwargs):
        return self.desk.run([QUILLBAR, *args], **kwargs)

    def open_menu(self, app):
        icon = self.wait_for_icons(1)[0]
        info = self.desk.run(["xwininfo", "-id", icon])
        x = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", info).group(1))
        y = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", info).group(1))
        seen = len(app.menu_lines())
        # A left click opens the same menu as a right click.
        self.desk.xdotool("mousemove", str(x + 10), str(y + 10), "click", "1")
        self.desk.wait_until(lambda: len(app.menu_lines()) > seen, timeout=20,
                             message="the menu did not open")
        self.desk.wait_until(self.menu_window, timeout=20, message="no menu window")
        return app.menu_lines()[-1][len("quillbar: menu: "):].split(" | ")

    def menu_window(self):
        """The open menu: a visible window of the program that is a popup over the tray."""
        for window in self.desk.xdotool("search", "--onlyvisible", "--class", "quillbar",
                                        check=False).split():
            transient = self.desk.xprop("-id", window, "WM_TRANSIENT_FOR", check=False)
            info = self.desk.run(["xwininfo", "-id", window], check=False)
            height = re.search(r"Height:\s+(\d+)", info)
            if "window id" in transient and height and int(height.group(1)) > 60:
                return window
        return None

    def test_menu_switches_desktops_and_quit_ends_the_process(self):
        self.desk.start_tray()
        app = Instance(self.desk)
        self.wait_for_icons(1)

        items = self.open_menu(app)
        self.assertEqual(items, ["✓Desktop 1", "Desktop 2", "Desktop 3", "Desktop 4",
                                 "Rename Spaces…", "Launch at Login",
                                 "Check for Updates… (off)", "Quillbar v0.1.0 (off)", "Quit"])
        self.desk.screenshot("tray-menu-open")

        # Choosing the third row switches to the third desktop.
        self.desk.xdotool("key", "Down", "Down", "Down", "Return")
        self.desk.wait_until(lambda: self.desk.current_desktop() == 2, timeout=20,
                             message="the row did not switch the desktop")
        self.desk.wait_until(lambda: not self.menu_window(), timeout=20)
        self.desk.wait_until(lambda: self.client("--print-title").strip() == "Desktop 3",
                             timeout=20)

        # The checkmark follows.
        self.assertEqual(self.open_menu(app)[:4],
                         ["Desktop 1", "Desktop 2", "✓Desktop 3", "Desktop 4"])
        self.desk.screenshot("tray-menu-after-switch")
        self.desk.xdotool("key", "ctrl+q")
        self.assertEqual(app.proc.wait(timeout=20), 0)
        self.desk.wait_until(lambda: not self.icons(), timeout=20)

    def test_debug_request_and_title_followers(self):
        self.desk.start_tray()
        app = Instance(self.desk)
        app.wait_for_line(r"Detected 4 spaces")
        out = tempfile.TemporaryFile(mode="w+")
        self.addCleanup(out.close)
        follower = self.desk.start_process([QUILLBAR, "--print-title", "--follow"], stdout=out,
                                           stderr=subprocess.DEVNULL, text=True)

        def printed():
            out.seek(0)
            return out.read().splitlines()

        self.desk.wait_until(lambda: printed() == ["Desktop 1"], timeout=20)
        self.desk.wmctrl("-s", "3")
        self.desk.wait_until(lambda: printed() == ["Desktop 1", "Desktop 4"], timeout=20,
                             message="follower printed %r" % printed())

        self.desk.run(["dbus-send", "--session", "--type=signal", "/org/quillbar/Quillbar",
                       "org.quillbar.Quillbar.debug.switchTo", "string:2"])
        self.desk.wait_until(lambda: self.desk.current_desktop() == 1, timeout=20,
                             message="the debug request did not switch")
        self.desk.wait_until(lambda: printed()[-1:] == ["Desktop 2"], timeout=20)
        # Right after a switch the program refuses new ones for a moment; ask until it obeys.
        self.switch_by_request(lambda: self.client("--debug-switch-to", "3"), 2)

        waybar = self.client("--print-title", "--json")
        self.assertEqual(waybar, '{"text":"Desktop 3","tooltip":"Desktop 3"}\n')
        self.desk.stop_process(follower)

        # SIGTERM ends the program gracefully: its anchors close with it.
        self.desk.stop_process(app.proc)
        self.assertEqual(app.proc.returncode, 0)
        self.assertEqual(self.desk.windows_of_class("quillbar"), [])

    def switch_by_request(self, send, desktop):
        def switched():
            send()
            try:
                return self.desk.wait_until(lambda: self.desk.current_desktop() == desktop,
                                            timeout=0.5)
            except TimeoutError:
                return False

        self.desk.wait_until(switched, timeout=20, message="the request did not switch")

    def test_newest_instance_wins_and_another_identifier_coexists(self):
        self.desk.start_tray()
        first = Instance(self.desk)
        self.wait_for_icons(1)
        second = Instance(self.desk)
        self.assertEqual(first.proc.wait(timeout=20), 0)
        self.wait_for_icons(1)
        self.assertIsNone(second.proc.poll())
        if QUILLBAR_OTHER_ID:
            other = Instance(self.desk, QUILLBAR_OTHER_ID)
            self.wait_for_icons(2)
            self.assertIsNone(second.proc.poll())
            self.assertIsNone(other.proc.poll())

    def test_waits_for_a_tray_and_docks_when_one_appears(self):
        app = Instance(self.desk)
        app.wait_for_line(r"Detected 4 spaces")
        self.assertEqual(self.icons(), [])
        self.desk.start_tray()
        self.wait_for_icons(1)
        self.assertIsNone(app.proc.poll())


if __name__ == "__main__":
    unittest.main()
