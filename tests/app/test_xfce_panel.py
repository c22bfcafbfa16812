# SPDX-License-Identifier: GPL-3.0-or-later
"""Quillbar in xfce4-panel's notification area at 1x and 2x: docked, or as its own item."""

import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

from desktop import App, DesktopTest  # noqa: E402

XFCONFD = "/usr/lib/%s/xfce4/xfconf/xfconfd" % os.environ.get("DEB_HOST_MULTIARCH",
                                                                "x86_64-linux-gnu")
# One panel along the top: a spacer, then the notification area at the right end.
PANEL = """<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="28"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
        <value type="int" value="2"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="separator">
      <property name="expand" type="bool" value="true"/>
    </property>
    <property name="plugin-2" type="string" value="systray"/>
  </property>
</channel>
"""
ROWS = ["✓Desktop 1", "Desktop 2", "Desktop 3", "Desktop 4", "Rename Spaces…", "Launch at Login",
        "Check for Updates… (off)", "Quillbar v0.1.0 (off)", "Quit"]


@unittest.skipUnless(shutil.which("xfce4-panel") and os.path.exists(XFCONFD),
                     "needs xfce4-panel")
class XfcePanelTest(DesktopTest):
    def test_docked_in_a_panel_that_came_later(self):
        # Before the panel, Qt finds no StatusNotifier host: the icon is docked in the area.
        self.desk.write_settings()
        app = App(self.desk)
        app.wait_for_line("Detected 4 spaces")
        self.start_panel(1)
        self.desk.wait_for_icons(1)
        self.check_menus(app, 1)

    def test_served_to_the_panel_at_twice_the_scale(self):
        # After it: Quillbar serves a StatusNotifierItem, and a right click opens the panel's menu.
        self.start_panel(2)
        self.desk.wait_sni_host(20)
        self.desk.write_settings()
        app = App(self.desk, env=dict(self.desk.env, QT_SCALE_FACTOR="2"))
        # The item is Quillbar's own, titled as the program is, as on Wayland.
        self.assertIn('string "Quillbar"', self.desk.notifier_title())
        self.check_menus(app, 2)
        self.assertEqual(self.desk.icons(), [])

    def check_menus(self, app, scale):
        """Both clicks open a menu under the panel at the icon; the keyboard chooses a row."""
        # The area is laid out again as the icon comes: read its place until it shows one.
        x, y, width, height = self.desk.wait_until(
            lambda: (area := self.icon_area()) and self.varied(self.desk.crop(*area)) and area,
            message="no icon in the notification area")
        panel = self.desk.geometry(self.desk.xdotool(
            "search", "--onlyvisible", "--classname", "^xfce4-panel$").split()[0])
        under = panel[1] + panel[3]
        below = (x + width - 150 * scale, under + 8 * scale, 150 * scale, 40 * scale)
        self.assertFalse(self.light(self.desk.crop(*below)))
        centre = (str(x + width // 2), str(y + height // 2))

        self.desk.xdotool("mousemove", *centre, "click", "1")
        self.desk.wait_until(app.menu_window, timeout=20, message="the left click opened nothing")
        self.assertEqual(app.menus()[-1], ROWS)
        self.assert_under_the_panel(app.menu_window(), under, x, width)
        self.desk.screenshot("xfce-panel-left-click-%dx" % scale)
        self.desk.xdotool("key", "Escape")
        self.desk.wait_until(lambda: not app.menu_window())

        seen = len(app.menus())
        self.desk.xdotool("mousemove", *centre, "click", "3")
        self.desk.wait_until(lambda: len(app.menus()) > seen and self.light(self.desk.crop(*below)),
                             timeout=20, message="the right click drew no menu under the icon")
        if app.menu_window():  # Qt's own (docked); else the panel's, drawn from the exported one
            self.assert_under_the_panel(app.menu_window(), under, x, width)
        self.desk.screenshot("xfce-panel-right-click-%dx" % scale)
        self.desk.xdotool("key", "Down", "Down", "Down", "Return")
        self.desk.wait_until(lambda: self.desk.current_desktop() == 2,
                             message="the menu's third row did not switch the desktop")
        self.assertEqual(app.stop(), 0)

    def assert_under_the_panel(self, menu, under, x, width):
        menu_x, menu_y, menu_width, _ = self.desk.geometry(menu)
        self.assertEqual(menu_y, under)
        self.assertTrue(menu_x <= x + width // 2 <= menu_x + menu_width, (menu_x, menu_width))

    def start_panel(self, scale):
        channels = os.path.join(self.desk.env["XDG_CONFIG_HOME"], "xfce4", "xfconf",
                                "xfce-perchannel-xml")
        os.makedirs(channels)
        with open(os.path.join(channels, "xfce4-panel.xml"), "w") as out:
            out.write(PANEL)
        # Started here rather than by the bus, so that it is ours to stop.
        self.desk.start_process([XFCONFD], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.desk.start_process(["xfce4-panel"], env=dict(self.desk.env, GDK_SCALE=str(scale)),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def icon_area(self):  # the notification area's plugin window
        found = self.desk.wait_until(lambda: self.desk.xdotool(
            "search", "--onlyvisible", "--classname", "^wrapper-2.0$", check=False).split(),
            timeout=20, message="xfce4-panel showed no notification area")
        return self.desk.geometry(found[0])

    @staticmethod
    def varied(pixels):  # more colours than the panel's background and edge
        return len(set(zip(pixels[0::3], pixels[1::3], pixels[2::3]))) > 8

    @staticmethod
    def light(pixels):  # mostly light, as a menu is on the black root
        return sum(pixels) > len(pixels) * 160


if __name__ == "__main__":
    unittest.main()
