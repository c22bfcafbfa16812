# SPDX-License-Identifier: GPL-3.0-or-later
"""On sway, at one and at twice the scale, either click on the icon in waybar opens waybar's menu;
Quillbar maps no window."""

import os
import shutil
import subprocess
import unittest

from tiling import WATCHER, SwayDesktop, tree_nodes

QUILLBAR = os.environ.get("QUILLBAR", "quillbar")
WAYBAR_CONFIG = {"layer": "top", "position": "top", "height": 24, "output": "HEADLESS-1",
                 "modules-right": ["tray"], "tray": {"icon-size": 16, "spacing": 4}}
WAYBAR_STYLE = "* { font-family: monospace; font-size: 12px; } window#waybar { background: #000; }"
# The bar's right end on HEADLESS-1, where the tray icon is; below it, where a menu opens. These
# are in the layout's coordinates, the same at every scale: the output's mode grows with its scale.
ICON = (770, 0, 30, 24)
BELOW = (500, 24, 300, 200)
MENU = (400, 24, 400, 400)  # the whole menu, as tall as it gets
# From the layout's top right corner (HEADLESS-2's) onto the icon on HEADLESS-1.
ON_ICON = (ICON[0] + ICON[2] - 8 - 1600, ICON[1] + ICON[3] // 2)
BLANK = (b"\0\0\0", b"\x3f\x3f\x3f")  # the bar's black, the desktop's grey
WHITE = b"\xff\xff\xff"  # a menu's, drawn before its rows are written on it


class WaybarDesktop(SwayDesktop):
    """waybar's tray on HEADLESS-1, drawn at scale (800x600 in the layout at any scale)."""

    def __init__(self, scale):
        super().__init__()
        self.scale = scale

    def start_sway(self):
        super().start_sway()
        self.msg("output HEADLESS-1 resolution %dx%d scale %d" % (800 * self.scale,
                                                                  600 * self.scale, self.scale))
        self.wait_until(lambda: any(o["name"] == "HEADLESS-1" and o["scale"] == self.scale
                                    for o in self.outputs()), message="HEADLESS-1 not rescaled")
        config, style = self.write_waybar(WAYBAR_CONFIG, WAYBAR_STYLE)
        self.hold_pointer()
        self.msg("exec waybar -c %s -s %s" % (config, style))


@unittest.skipUnless(shutil.which("waybar") and shutil.which("wlrctl"), "no waybar or wlrctl")
class WaybarMenuTest(unittest.TestCase):

    def test_both_clicks_open_the_hosts_menu(self):
        self.both_clicks_open_the_hosts_menu(1)

    def test_both_clicks_open_the_hosts_menu_at_twice_the_scale(self):
        self.both_clicks_open_the_hosts_menu(2)

    def menu_written(self, looks):
        """Whether rows on white (not the tooltip's light on dark) show below the icon, alike on
        two looks in a row (GTK draws a menu's white first)."""
        looks.append(self.desk.colours(BELOW))
        colours = looks[-1]
        return len(looks) > 1 and looks[-2] == colours and colours.count(WHITE) > 10000 * \
            self.pixel and sum(1 for colour in colours if colour not in BLANK + (WHITE,)) > \
            300 * self.pixel

    def app_windows(self):
        return [node.get("name") for node, _, _ in tree_nodes(self.desk.tree())
                if node.get("app_id") == "quillbar" or (node.get("pid") == self.app.pid)]

    def both_clicks_open_the_hosts_menu(self, scale):
        self.desk = WaybarDesktop(scale)
        self.desk.start()
        self.addCleanup(self.desk.stop)
        # grim takes the layout's areas at the output's scale: each point is scale² pixels.
        self.pixel = scale * scale
        self.desk.wait_until(lambda: self.desk.busctl("status", WATCHER[0]),
                             message="no tray host")
        self.app = self.desk.start_process([QUILLBAR, "--backend", "sway"],
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: self.desk.stop_process(self.app))
        self.desk.wait_until(lambda: self.desk.drawn(ICON, BLANK) > 30 * self.pixel,
                             message="no icon")
        # The first launch opens the rename window: close it, so only a menu can appear.
        self.desk.wait_until(self.app_windows, timeout=20, message="no rename window")
        self.desk.msg("[app_id=quillbar] kill")
        self.desk.wait_until(lambda: not self.app_windows(), message="the window stayed")
        menus = []
        for button, name in (("left", "waybar-left-click"), ("right", "waybar-right-click"),
                             ("left", "waybar-left-click-again")):
            self.desk.wlr_click(button, *ON_ICON)
            looks = []
            self.desk.wait_until(lambda: self.menu_written(looks), message="no menu: " + name)
            self.desk.grim_shot(name + ("" if scale == 1 else "-%dx" % scale), "-o", "HEADLESS-1")
            menus.append(self.desk.pixels(MENU))
            self.assertEqual(self.app_windows(), [], self.desk.msg("-t", "get_tree"))
            self.desk.wlr_click("left", ON_ICON[0] - 300, ON_ICON[1] + 300)
            self.desk.wait_until(lambda: self.desk.drawn(BELOW, BLANK) == 0,
                                 message="the menu did not close")
        # The first opening already has this session's rows, as a later one does.
        self.assertEqual(menus[0], menus[2], "the first opening differs from a later one")


if __name__ == "__main__":
    unittest.main()
