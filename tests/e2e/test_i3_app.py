# SPDX-License-Identifier: GPL-3.0-or-later
"""End to end: the real application on i3 (Xvfb, two fake outputs): it picks the sway/i3 backend,
and its rename window (opened by the first launch) floats, on i3's X11 as on sway's Wayland, and
comes to the current workspace, still floating, when asked for again."""

import subprocess
import unittest

from desktop import QUILLBAR
from tiling import I3Desktop


class I3AppTest(unittest.TestCase):

    def setUp(self):
        self.desk = I3Desktop()
        self.desk.start()
        self.addCleanup(self.desk.stop)

    def no_window(self):
        return "no rename window: " + self.desk.msg("-t", "get_tree")

    def test_the_rename_window_floats(self):
        app = self.desk.start_process([QUILLBAR], stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: self.assertEqual(self.desk.stop_process(app) or app.returncode,
                                                 0, "quillbar exit status"))
        # i3 starts on workspace 2 (the focused output's), where the first launch opens it.
        self.desk.wait_until(lambda: self.desk.run([QUILLBAR, "--print-title"],
                                                   check=False) == "Desktop 2\n",
                             timeout=20, message="the app never showed workspace 2")
        window = self.desk.wait_until(self.desk.rename_window_node, timeout=20,
                                      message=self.no_window)
        self.assertEqual((window["floating"], window["workspace"]), (True, "2"))
        self.desk.screenshot("i3-rename-window")

        self.desk.msg("workspace number 1")
        self.desk.run([QUILLBAR, "--debug-settings"])
        window = self.desk.wait_until(
            lambda: (lambda w: w if w and w["workspace"] == "1" else None)(
                self.desk.rename_window_node()),
            message=self.no_window)
        self.assertTrue(window["floating"])


if __name__ == "__main__":
    unittest.main()
