# SPDX-License-Identifier: GPL-3.0-or-later
"""The application natively on sway: its item in swaybar's tray, the status-bar followers."""

import json
import shlex
import subprocess
import unittest

from desktop import QUILLBAR, Lines
from tiling import WATCHER, SwayDesktop, tree_nodes

# The right ends of the bars (black): tray icons on HEADLESS-1, the status line on HEADLESS-2.
TRAY, STATUS = (560, 0, 240, 20), (1360, 0, 240, 20)


class SwayAppTest(unittest.TestCase):

    def setUp(self):
        self.desk = SwayDesktop(
            bar=True, status_command=shlex.quote(QUILLBAR) + " --print-title --follow --i3bar")
        self.desk.start()
        self.addCleanup(self.desk.stop)

    def pid_of(self, item):
        out = self.desk.busctl("call", "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "GetConnectionUnixProcessID", "s",
                               item.split("/")[0])
        return json.loads(out)["data"][0] if out.strip() else None

    def status_width(self):
        """How far the status line's right-aligned text reaches into its area, in pixels."""
        pixels, width = self.desk.pixels(STATUS), STATUS[2]
        drawn = [i // 3 % width for i in range(0, len(pixels), 3) if any(pixels[i:i + 3])]
        return width - min(drawn) if drawn else 0

    def screenshot(self, name, output="HEADLESS-1"):
        self.desk.grim_shot(name, "-o", output)

    def start_app(self):
        app = self.desk.start_process([QUILLBAR, "--backend", "sway"], stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: self.assertEqual(self.desk.stop_process(app) or app.returncode,
                                                 0, "quillbar exit status"))
        return app

    def test_tray_followers_and_rename_window(self):
        self.desk.wait_until(lambda: self.desk.busctl("status", WATCHER[0]),
                             message="no tray host")
        # The bar is drawn, with nothing at its tray end yet.
        self.desk.wait_until(lambda: self.desk.drawn(TRAY) == 0, message="no empty bar")
        app = self.start_app()

        # The tray item registers with swaybar's watcher, and its icon appears in the bar.
        self.desk.wait_until(lambda: any(self.pid_of(item) == app.pid
                                         for item in self.desk.tray_items()),
                             message=lambda: "registered: %r" % self.desk.tray_items())
        self.desk.wait_until(lambda: self.desk.drawn(TRAY) > 50, message="no icon in the bar")
        self.screenshot("sway-tray")
        # swaybar's own status line (--i3bar as its status_command) shows the title.
        wide = self.desk.wait_until(self.status_width, message="no status line")

        # Both status-bar forms print a line on every switch once the app has read sway.
        self.desk.wait_title("Desktop 1")
        # The first launch opens the rename window, floating, on workspace 1.
        window = self.desk.wait_until(self.desk.rename_window_node, timeout=20,
                                      message=self.no_window)
        self.assertEqual((window["floating"], window["workspace"]), (True, "1"))
        self.assertEqual(window["window_rect"]["width"], 700)  # its fixed width
        waybar, i3bar = (Lines(self.desk, [QUILLBAR, "--print-title", "--follow", form],
                               stream="stdout") for form in ("--json", "--i3bar"))
        waybar.wait_for(1)
        i3bar.wait_for(3)
        for number in (3, 2, 1):
            self.desk.msg("workspace number %d" % number)
            waybar.wait_for(5 - number)
            i3bar.wait_for(7 - number)
        titles = ["Desktop %d" % n for n in (1, 3, 2, 1)]
        self.assertEqual([json.loads(line)["text"] for line in waybar.lines], titles)
        # The endless array so far, closed, is JSON: one array of blocks per switch.
        status = json.loads("[" + "".join(i3bar.lines[2:]).rstrip(",") + "]")
        self.assertEqual([line[0]["full_text"] for line in status], titles)
        # The bar's monospace text is as wide as "Desktop 1", narrower for "Mail", then again.
        self.desk.msg('workspace "3: Mail"')
        self.desk.wait_until(lambda: 0 < self.status_width() < wide,
                             message="the status line did not change")
        self.screenshot("sway-status-line", "HEADLESS-2")
        self.desk.msg("workspace number 1")
        self.desk.wait_until(lambda: self.status_width() == wide,
                             message="the status line did not come back")

        # Neither Activate nor ContextMenu maps a menu window: the host draws the exported menu.
        item = next(i for i in self.desk.tray_items() if self.pid_of(i) == app.pid)
        service, path = item.split("/", 1)
        where = (service, "/" + path, "org.kde.StatusNotifierItem")
        # On Wayland the item is Quillbar's own (its properties are the unit tests').
        self.assertIn('"Quillbar"', self.desk.busctl("get-property", *where, "Title"))
        for method in ("Activate", "ContextMenu"):
            self.desk.busctl("call", *where, method, "ii", "10", "10")
        self.desk.run([QUILLBAR, "--debug-settings"])
        self.desk.wait_until(self.desk.rename_window_node, message=self.no_window)
        self.screenshot("sway-after-clicks")
        self.assertEqual(self.app_windows(), 1, self.desk.msg("-t", "get_tree"))

    def app_windows(self):
        return sum(1 for node, _, _ in tree_nodes(self.desk.tree())
                   if node.get("app_id") == "quillbar")

    def no_window(self):
        return "no rename window: " + self.desk.msg("-t", "get_tree")


if __name__ == "__main__":
    unittest.main()
