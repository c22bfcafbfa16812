"""End to end: the tray menu's update command against a local feed, on Xvfb with openbox and a
tray. With a feed in the settings the command is enabled, and choosing it ends in the update
dialog; without one it stays disabled (the tray test covers that)."""

import os
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
sys.path.insert(0, os.path.join(HERE, "..", "app"))

from desktop import Desktop  # noqa: E402
import test_tray  # noqa: E402  (not its test class: unittest would run it again here)


class FeedServer:
    """feed_server.py on a free port of 127.0.0.1."""

    def __init__(self):
        self.proc = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "feed_server.py"), "--feeds",
             os.path.join(HERE, "feeds")], stdout=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline().split()
        if len(line) != 2 or line[0] != "PORT":
            self.stop()
            raise RuntimeError("the feed server did not start")
        self.port = int(line[1])

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)
        self.proc.stdout.close()


class UpdateMenuTest(unittest.TestCase):
    # The tray test's way of finding the icon and opening the menu.
    icons = test_tray.TrayTest.icons
    wait_for_icons = test_tray.TrayTest.wait_for_icons
    open_menu = test_tray.TrayTest.open_menu
    menu_window = test_tray.TrayTest.menu_window

    def setUp(self):
        self.server = FeedServer()
        self.addCleanup(self.server.stop)
        self.desk = Desktop(desktops=2)
        self.desk.start()
        self.addCleanup(self.desk.stop)
        config = os.path.join(self.desk.env["XDG_CONFIG_HOME"], "quillbar")
        os.makedirs(config)
        with open(os.path.join(config, "quillbar.conf"), "w") as conf:
            conf.write("[General]\nHasCompletedFirstRun.v1=true\nUpdateFeedURL=%s\n"
                       % self.server.url("/feeds/newer.xml"))

    def update_dialog(self):
        return self.desk.xdotool("search", "--onlyvisible", "--name", "^Quillbar Update$",
                                 check=False).split()

    def test_command_is_enabled_and_ends_in_the_update_dialog(self):
        self.desk.start_tray()
        app = test_tray.Instance(self.desk)
        items = self.open_menu(app)
        self.assertIn("Check for Updates…", items)  # enabled: no "(off)"

        # Two desktops, "Rename Spaces…", "Launch at Login", then the update command.
        self.desk.xdotool("key", "Down", "Down", "Down", "Down", "Down", "Return")
        dialog = self.desk.wait_until(self.update_dialog, timeout=20,
                                      message="no update dialog")
        self.desk.screenshot("update-dialog")
        # "Remind Me Later" is the dialog's Escape button.
        self.desk.xdotool("windowactivate", "--sync", dialog[-1], check=False)
        self.desk.xdotool("key", "Escape")
        self.desk.wait_until(lambda: not self.update_dialog(), timeout=20,
                             message="the dialog stayed open")
        self.assertIn("Check for Updates…", self.open_menu(app))
        self.desk.xdotool("key", "Escape")
        app.proc.terminate()
        self.assertEqual(app.proc.wait(timeout=20), 0)


if __name__ == "__main__":
    unittest.main()
