# SPDX-License-Identifier: GPL-3.0-or-later
"""Quillbar's StatusNotifierItem in Plasma's panel on kwin_x11, at 1x and 2x."""

import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

from desktop import App, DesktopTest  # noqa: E402
from kwin import KWin  # noqa: E402

# Plasma 6's kded, or Plasma 5's.
KDED = shutil.which("kded6") or shutil.which("kded5")
DESKTOPS = [("d1", "Mail"), ("d2", "Web"), ("d3", "Music")]
ROWS = ["✓Mail", "Web", "Music", "Rename Spaces…", "Launch at Login",
        "Check for Updates… (off)", "Quillbar v0.1.0 (off)", "Quit"]


@unittest.skipUnless(shutil.which("plasmashell") and KDED and shutil.which("kwin_x11"),
                     "needs plasmashell, kded and kwin_x11")
class PlasmaPanelTest(DesktopTest):

    def make_desktop(self):
        return KWin(False, DESKTOPS)

    def start_plasma(self, scale):
        # Software drawing (there is no GPU); kded serves the StatusNotifier watcher.
        self.env = dict(self.desk.env, QT_QUICK_BACKEND="software", KDE_FULL_SESSION="true",
                        XDG_CURRENT_DESKTOP="KDE", KDE_SESSION_VERSION=KDED[-1],
                        QT_SCALE_FACTOR=str(scale))
        for program in ([KDED], ["plasmashell", "--no-respawn"]):
            self.desk.start_process(program, env=self.env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
        self.desk.wait_sni_host(60)

    def test_menus_at_once_the_scale(self):
        self.check_panel(1)

    def test_menus_at_twice_the_scale(self):
        self.check_panel(2)

    def check_panel(self, scale):
        self.start_plasma(scale)
        self.desk.write_settings()
        app = App(self.desk, env=self.env)
        self.assertIn('string "Quillbar"', self.desk.notifier_title())
        panel = self.panel()
        # The panel's room is left out of the work area a moment after it shows; Plasma 6's
        # floating panel leaves less out than its window covers.
        bottom = self.desk.wait_until(lambda: (edge := self.work_area_bottom()) < 800 and edge,
                                      timeout=20, message="the work area covers the panel")
        x, y = self.desk.wait_until(lambda: self.icon(panel), timeout=20,
                                    message="no icon in Plasma's panel")
        name = "plasma-panel-%dx" % scale

        # A left click: Quillbar's own menu, just above the panel, over the icon.
        self.desk.xdotool("mousemove", str(x), str(y), "click", "1")
        menu = self.desk.wait_until(app.menu_window, timeout=20,
                                    message="the left click opened nothing")
        self.assertEqual(app.menus()[-1], ROWS)
        menu_x, menu_y, menu_width, menu_height = self.desk.geometry(menu)
        self.assertEqual(menu_y + menu_height, self.work_area_bottom())  # it may have settled
        self.assertTrue(menu_x <= x <= menu_x + menu_width, (menu_x, menu_width, x))
        self.desk.screenshot(name + "-left-click")
        self.desk.xdotool("key", "Escape")
        self.desk.wait_until(lambda: not app.menu_window(), message="the menu stayed")

        # A right click: Plasma draws the exported menu; the keyboard chooses a row in it.
        seen = len(app.menus())
        above = (x - 100 * scale, bottom - 60 * scale, 200 * scale, 50 * scale)
        plain = self.desk.crop(*above)
        self.desk.xdotool("mousemove", str(x), str(y), "click", "3")
        self.desk.wait_until(lambda: len(app.menus()) > seen and self.desk.crop(*above) != plain,
                             timeout=20, message="the right click drew no menu above the icon")
        self.assertEqual(app.menus()[-1], ROWS)
        self.assertIsNone(app.menu_window())
        self.desk.screenshot(name + "-right-click")
        self.desk.xdotool("key", "Down", "Down", "Down", "Return")
        self.desk.wait_until(lambda: self.desk.current() == "d3", timeout=20,
                             message="the menu's third row did not switch the desktop")
        self.assertEqual(app.stop(), 0)

    def work_area_bottom(self):
        values = self.desk.run(["xprop", "-root", "_NET_WORKAREA"], False).split("=")[-1]
        numbers = [int(n) for n in values.split(",")[:4] if n.strip().isdigit()]
        return numbers[1] + numbers[3] if len(numbers) == 4 else 800

    def panel(self):
        """Plasma's panel: its window as wide as the screen along the bottom."""
        def find():
            for window in self.desk.xdotool("search", "--onlyvisible", "--classname",
                                            "^plasmashell$", check=False).split():
                geometry = self.desk.geometry(window, check=False)  # a popup may close
                if geometry and geometry[2] == 1280 and geometry[1] > 400:
                    return geometry
            return None
        return self.desk.wait_until(find, timeout=60, message="Plasma showed no panel")

    def icon(self, panel):
        """The centre of Quillbar's icon (its square's blue) in the panel's right half, or None."""
        # The middle of the panel's height: Plasma 6's floating panel shows the wallpaper around.
        x0, y0, width, height = 640, panel[1] + panel[3] // 4, 640, panel[3] // 2
        pixels = self.desk.crop(x0, y0, width, height)
        blue = [i // 3 for i in range(0, len(pixels), 3)
                if abs(pixels[i] - 0x2b) + abs(pixels[i + 1] - 0x57) + abs(pixels[i + 2] - 0x9a)
                < 40]
        if len(blue) < 20:
            return None
        xs, ys = [i % width for i in blue], [i // width for i in blue]
        return x0 + (min(xs) + max(xs)) // 2, y0 + (min(ys) + max(ys)) // 2


if __name__ == "__main__":
    unittest.main()
