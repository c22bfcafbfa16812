# SPDX-License-Identifier: GPL-3.0-or-later
"""End to end: the real application on sway with waybar as the tray host. A left click and a right
click on Quillbar's icon both open the menu waybar draws from the exported one, and Quillbar maps
no window of its own for it. Skipped where waybar or wlrctl (for the pointer) is missing."""

import json
import os
import shutil
import subprocess
import unittest

from tiling import SwayDesktop, tree_nodes

QUILLBAR = os.environ.get("QUILLBAR", "quillbar")
WAYBAR_CONFIG = {"layer": "top", "position": "top", "height": 24, "output": "HEADLESS-1",
                 "modules-right": ["tray"], "tray": {"icon-size": 16, "spacing": 4}}
WAYBAR_STYLE = "* { font-family: monospace; font-size: 12px; } window#waybar { background: #000; }"
# The bar's right end on HEADLESS-1, where the tray icon is; below it, where a menu opens.
ICON = (770, 0, 30, 24)
BELOW = (500, 24, 300, 200)
MENU = (400, 24, 400, 400)  # the whole menu, as tall as it gets
BLANK = (b"\0\0\0", b"\x3f\x3f\x3f")  # the bar's black, the desktop's grey
# A menu's white, drawn before its rows are written on it.
UNWRITTEN = BLANK + (b"\xff\xff\xff",)


class WaybarDesktop(SwayDesktop):
    """sway with waybar (run by sway, as nobody) as its only bar, started once a pointer device
    stays on the seat, so that wlrctl's clicks reach it."""

    def start_sway(self):
        super().start_sway()
        config, style = (os.path.join(self._home, name) for name in ("waybar.json", "style.css"))
        with open(config, "w") as out:
            json.dump(WAYBAR_CONFIG, out)
        with open(style, "w") as out:
            out.write(WAYBAR_STYLE)
        self.hold_pointer()
        self.msg("exec waybar -c %s -s %s" % (config, style))


@unittest.skipUnless(shutil.which("waybar") and shutil.which("wlrctl"), "no waybar or wlrctl")
class WaybarMenuTest(unittest.TestCase):

    def setUp(self):
        self.desk = WaybarDesktop()
        self.desk.start()
        self.addCleanup(self.desk.stop)

    def drawn(self, area):
        """How many pixels of the area are neither the bar's black nor the desktop's grey."""
        pixels = self.desk.pixels(area)
        return sum(1 for i in range(0, len(pixels), 3) if pixels[i:i + 3] not in BLANK)

    def menu_written(self, looks):
        """Whether a menu's rows show below the icon, alike on this look and the one before (GTK
        draws a menu's white first, and again when its rows change). A menu is rows on white: the
        icon's tooltip, light text on dark, is not one."""
        looks.append(self.desk.pixels(BELOW))
        pixels = looks[-1]
        colours = [pixels[i:i + 3] for i in range(0, len(pixels), 3)]
        return len(looks) > 1 and looks[-2] == pixels and colours.count(b"\xff\xff\xff") > 10000 \
            and sum(1 for colour in colours if colour not in UNWRITTEN) > 300

    def app_windows(self):
        tree = json.loads(self.desk.msg("-r", "-t", "get_tree"))
        return [node.get("name") for node, _, _ in tree_nodes(tree)
                if node.get("app_id") == "quillbar" or (node.get("pid") == self.app.pid)]

    def pointer(self, *args):
        self.desk.run(["wlrctl", "pointer", *args])

    def click(self, button):
        # To the layout's top right corner (HEADLESS-2's), then back onto the icon on HEADLESS-1.
        self.pointer("move", "5000", "-5000")
        self.pointer("move", str(ICON[0] + ICON[2] - 8 - 1600), str(ICON[1] + ICON[3] // 2))
        self.pointer("click", button)

    def close_menu(self):
        self.pointer("move", "-300", "300")
        self.pointer("click", "left")
        self.desk.wait_until(lambda: self.drawn(BELOW) == 0, message="the menu did not close")

    def test_both_clicks_open_the_hosts_menu(self):
        self.desk.wait_until(lambda: self.desk.run(["busctl", "--user", "status",
                                                    "org.kde.StatusNotifierWatcher"],
                                                   check=False), message="no tray host")
        self.app = self.desk.start_process([QUILLBAR, "--backend", "sway"],
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: self.desk.stop_process(self.app))
        self.desk.wait_until(lambda: self.drawn(ICON) > 30, message="no icon in waybar")
        # The first launch opens the rename window: close it, so only a menu can appear.
        self.desk.wait_until(self.app_windows, timeout=20, message="no rename window")
        self.desk.msg("[app_id=quillbar] kill")
        self.desk.wait_until(lambda: not self.app_windows(), message="the window stayed")
        self.desk.grim_shot("waybar-icon", "-o", "HEADLESS-1")
        menus = []
        for button, name in (("left", "waybar-left-click"), ("right", "waybar-right-click"),
                             ("left", "waybar-left-click-again")):
            self.click(button)
            looks = []
            self.desk.wait_until(lambda: self.menu_written(looks), message="no menu: " + name)
            self.desk.grim_shot(name, "-o", "HEADLESS-1")
            menus.append(self.desk.pixels(MENU))
            self.assertEqual(self.app_windows(), [], self.desk.msg("-t", "get_tree"))
            self.close_menu()
        # The first opening already has the rows of this session, not those from before
        # Quillbar's first look at the desktops (which the host would then squeeze).
        self.assertEqual(menus[0], menus[2], "the first opening differs from a later one")


if __name__ == "__main__":
    unittest.main()
