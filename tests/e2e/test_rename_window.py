# SPDX-License-Identifier: GPL-3.0-or-later
"""The rename window on X11; widgets are found in pictures (the current row is the last tinted
band, emoji the grid's coloured clusters)."""

import unittest

from desktop import QUILLBAR, App, Desktop, DesktopTest

MAILBOX = "\U0001F4EC"  # the first emoji of the Communication group
PICKER_FROM_RIGHT = 50  # the emoji button's centre, from the window's right edge (18 + 32)
GRID_SIZE = (340, 336)


class Picture:

    def __init__(self, desk, window):
        data = desk.run(["import", "-window", str(window), "-depth", "8", "ppm:-"], text=False)
        _, width, height, _, self.pixels = data.split(maxsplit=4)
        self.width, self.height = int(width), int(height)

    def pixel(self, x, y):
        at = 3 * (y * self.width + x)
        return tuple(self.pixels[at:at + 3])

    def tinted(self, x, y):
        r, _, b = self.pixel(x, y)
        return b - r >= 6

    def saturated(self, x, y):
        return max(self.pixel(x, y)) - min(self.pixel(x, y)) > 60


def runs(flags):
    """(start, end) of every run of true values."""
    result, start = [], None
    for i, flag in enumerate(list(flags) + [False]):
        if flag and start is None:
            start = i
        elif not flag and start is not None:
            result.append((start, i - 1))
            start = None
    return result


def current_row(desk, window):
    """The height of the current space's row (the last tinted band) in the window."""
    picture = Picture(desk, window)
    rows = [r for r in runs(picture.tinted(4, i) for i in range(picture.height))
            if r[1] - r[0] >= 20]
    return sum(rows[-1]) // 2


class RenameWindowTest(DesktopTest):
    def start_app(self):
        self.app = App(self.desk, QUILLBAR)
        self.desk.wait_for_icons(1)

    def grid(self):
        return next((w for w, place in self.desk.visible_windows() if place[2:] == GRID_SIZE), None)

    def open_from_menu(self):
        self.app.open_menu()
        self.desk.xdotool("key", "Down", "Down", "Down", "Down", "Down", "Return")  # after 4 rows
        window = self.desk.wait_until(self.desk.rename_window, message="no rename window")
        self.desk.wait_until(lambda: self.desk.active_window() == window)
        return window

    def first_emoji_of_row(self, grid, row):
        """Screen centre of the first emoji in the row-th row of emoji."""
        def emoji_rows():  # until painted; without the scroll bar and the search field's frame
            picture = Picture(self.desk, grid)
            found = runs(any(picture.saturated(x, y) for x in range(picture.width - 20))
                         for y in range(picture.height))[1:]
            return (picture, found) if len(found) > row else None

        picture, rows = self.desk.wait_until(emoji_rows, message="the grid shows no emoji")
        width = picture.width - 20
        top, bottom = rows[row]
        left, right = runs(any(picture.saturated(x, y) for y in range(top, bottom + 1))
                           for x in range(width))[0]
        x, y, _, _ = self.desk.geometry(grid)
        return x + (left + right) // 2, y + (top + bottom) // 2

    def test_first_launch_and_naming_the_current_desktop(self):
        self.desk.start_tray()
        self.start_app()
        # A first launch opens the window with its hint (a tinted band at the top).
        window = self.desk.wait_until(self.desk.rename_window, message="no window at first launch")
        self.desk.screenshot("rename-window-first-launch", window)
        self.assertTrue(Picture(self.desk, window).tinted(4, 6), "no hint in the window")
        self.desk.wait_until(lambda: self.desk.active_window() == window)
        self.desk.xdotool("key", "Escape")
        self.desk.wait_until(lambda: not self.desk.rename_window())

        # From the menu: a click on the current desktop's row, then typing.
        window = self.open_from_menu()
        x, y, width, _ = self.desk.geometry(window)
        row = y + current_row(self.desk, window)
        self.desk.click(x + width // 2, row)
        self.desk.xdotool("type", "--delay", "20", "Mail")
        self.desk.wait_title("Mail")

        # The emoji button opens the grid; three rows of Work, then Communication's mailbox.
        self.desk.click(x + width - PICKER_FROM_RIGHT, row)
        grid = self.desk.wait_until(self.grid, message="the emoji grid did not open")
        self.desk.screenshot("emoji-grid-open", grid)
        self.desk.click(*self.first_emoji_of_row(grid, 3))
        self.desk.wait_until(lambda: not self.grid(), message="a pick did not close the grid")
        self.desk.wait_title(MAILBOX + " Mail")
        self.desk.screenshot("rename-window-named", window)
        self.desk.xdotool("key", "Escape")
        self.desk.wait_until(lambda: not self.desk.rename_window())

        # A restart keeps name, emoji and the hint's dismissal.
        self.assertEqual(self.app.stop(), 0)
        self.start_app()
        self.desk.wait_title(MAILBOX + " Mail")
        window = self.open_from_menu()
        self.assertFalse(Picture(self.desk, window).tinted(4, 6), "the hint shows again")
        self.desk.screenshot("rename-window-after-restart", window)

    def test_the_window_comes_to_the_user_and_the_menu_opens_at_the_icon(self):
        self.desk.write_settings()
        self.desk.start_tray()
        self.start_app()
        self.app.wait_for_line("Detected 4 spaces")

        # Opened on desktop 3 and left open there, it follows the user to desktop 1.
        self.desk.wmctrl("-s", "2")
        self.desk.wait_until(lambda: self.desk.current_desktop() == 2)
        self.desk.run([QUILLBAR, "--debug-settings"])
        window = self.desk.wait_until(self.desk.rename_window, message="no rename window")
        self.desk.wait_until(lambda: self.desk.active_window() == window)
        self.assertIn("_NET_WM_ICON(CARDINAL) =",
                      self.desk.run(["xprop", "-id", str(window), "_NET_WM_ICON"]),
                      "the window has no icon of its own")
        self.desk.wmctrl("-s", "0")
        self.desk.wait_until(lambda: self.desk.current_desktop() == 0 and
                             not self.desk.rename_window())
        self.desk.run([QUILLBAR, "--debug-settings"])
        self.desk.wait_until(lambda: self.desk.window_desktop(window) == 0 and
                             self.desk.active_window() == window, message=lambda: (
                                 "the window stayed on desktop %s; active: %s" % (
                                     self.desk.window_desktop(window), self.desk.active_window())))
        self.desk.xdotool("key", "Escape")
        self.desk.wait_until(lambda: not self.desk.rename_window())

        # The menu opens just below the tray icon.
        self.app.open_menu()
        menu = self.desk.geometry(self.app.menu_window())
        icon = self.desk.geometry(self.desk.wait_for_icons(1)[0])
        self.assertGreaterEqual(menu[1], icon[1] + icon[3], "the menu covers the tray icon")
        self.assertLess(menu[1] - (icon[1] + icon[3]), 8, "the menu is not next to the icon")
        self.desk.xdotool("key", "Escape")


class RenameWindowFitsTest(unittest.TestCase):
    def test_the_window_fits_small_and_scaled_screens_with_its_done_button(self):
        for size, scale in (("1280x800", "1"), ("2048x1200", "2"), ("1280x800", "2")):
            with self.subTest(size=size, scale=scale), Desktop(size=size) as desk:
                desk.env["QT_SCALE_FACTOR"] = scale
                desk.start_tray()
                app = App(desk, QUILLBAR)
                window = desk.wait_until(desk.rename_window, timeout=20, message="no window")
                width, height = (int(n) for n in size.split("x"))
                x, y, w, h = desk.wait_until(lambda: desk.geometry(window))
                self.assertTrue(0 <= x and 0 <= y and x + w <= width and y + h <= height,
                                "%s at %s×: the window is at %r" % (size, scale, (x, y, w, h)))
                # Done, in the lower right corner, is on screen and closes the window.
                desk.screenshot("rename-window-%s-at-%s" % (size, scale), window)
                desk.click(x + w - 60 * int(scale), y + h - 25 * int(scale))
                desk.wait_until(lambda: not desk.rename_window(), message="Done did not close it")
                app.open_menu()
                desk.screenshot("tray-menu-%s-at-%s" % (size, scale))
                desk.xdotool("key", "Escape")
                self.assertEqual(app.stop(), 0)


if __name__ == "__main__":
    unittest.main()
