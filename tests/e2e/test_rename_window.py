"""End-to-end tests of the rename window: the real tray application on Xvfb with openbox and a tray.

Everything is done the way a person would: clicks on the tray icon, its menu, the emoji button and
the emoji grid, and typing into the name field. Widgets are found on screen: the current space's
row is the last tinted band of the window, a menu separator is the first mark in the menu's right
margin, and emoji cells are the coloured clusters of the grid.
"""

import os
import subprocess
import time
import unittest

from desktop import Desktop

HERE = os.path.dirname(os.path.abspath(__file__))
QUILLBAR = os.environ.get(
    "QUILLBAR_APP", os.path.join(HERE, "..", "..", "build", "src", "app", "quillbar"))

WINDOW_TITLE = "Rename Spaces"
TOOLTIP_HINT = "Quillbar — click to name or switch desktops"
MAILBOX = "\U0001F4EC"  # the first emoji of the Communication group
# Columns of the rename window, from its right edge: the emoji picker's centre (18 margin + 32).
PICKER_FROM_RIGHT = 50


class Image:
    """An RGB picture of one window, read from ImageMagick's PPM output."""

    def __init__(self, data):
        parts = data.split(maxsplit=4)
        if parts[0] != b"P6" or parts[3] != b"255":
            raise ValueError("unexpected picture format")
        self.width, self.height = int(parts[1]), int(parts[2])
        self.pixels = parts[4]

    def pixel(self, x, y):
        at = 3 * (y * self.width + x)
        return tuple(self.pixels[at:at + 3])

    def saturated(self, x, y):
        r, g, b = self.pixel(x, y)
        return max(r, g, b) - min(r, g, b) > 60


def grab(desk, window):
    done = subprocess.run(["import", "-window", str(window), "-depth", "8", "ppm:-"], env=desk.env,
                          capture_output=True, timeout=30, check=True)
    return Image(done.stdout)


def geometry(desk, window):
    """(x, y, width, height) of a window's contents on the screen."""
    out = desk.run(["xwininfo", "-id", str(window)])
    values = {}
    for line in out.splitlines():
        key, _, value = line.strip().partition(":")
        values[key] = value.strip()
    return tuple(int(values[key]) for key in
                 ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))


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


class RenameWindowTest(unittest.TestCase):
    def setUp(self):
        self.desk = Desktop(desktops=4)
        self.desk.start()
        self.addCleanup(self.desk.stop)
        self.desk.start_tray()
        self.app = None
        outcome = getattr(self, "_outcome", None)
        self.addCleanup(self._picture_if_failed, outcome)

    def _picture_if_failed(self, outcome):
        # Leaves the whole screen in the artifacts folder when the test failed.
        result = getattr(outcome, "result", None)
        failures = getattr(result, "failures", []) + getattr(result, "errors", [])
        if any(test is self for test, _ in failures):
            self.desk.screenshot("rename-window-failure-" + self._testMethodName)

    # The application -------------------------------------------------------------------------

    def start_app(self):
        os.makedirs(self.desk.artifacts, exist_ok=True)
        log = open(os.path.join(self.desk.artifacts, "rename-window-app.log"), "a")
        self.addCleanup(log.close)
        self.app = self.desk.start_process([QUILLBAR], stdout=log, stderr=subprocess.STDOUT)
        self.tray_icon = self.desk.wait_until(self.find_tray_icon, timeout=20,
                                              message="no tray icon")

    def stop_app(self):
        # Ends like a logout does; a clean exit also means no leak report under the sanitizers.
        self.app.terminate()
        code = self.app.wait(timeout=30)
        self.desk.stop_process(self.app)
        self.app = None
        self.assertEqual(code, 0, "quillbar did not exit cleanly")

    def find_tray_icon(self):
        for window in self.desk.xdotool("search", "--onlyvisible", "--class", "^quillbar$",
                                        check=False).split():
            x, y, width, height = geometry(self.desk, window)
            if width <= 64 and height <= 64 and y < 40:
                return int(window)
        return None

    def print_title(self):
        return self.desk.run([QUILLBAR, "--print-title"]).strip()

    def rename_window(self, visible=True):
        args = ["search", "--onlyvisible"] if visible else ["search"]
        found = self.desk.xdotool(*args, "--name", "^%s$" % WINDOW_TITLE, check=False).split()
        return int(found[0]) if found else None

    def popup_of_size(self, size):
        for window in self.desk.xdotool("search", "--onlyvisible", "--class", "^quillbar$",
                                        check=False).split():
            if geometry(self.desk, window)[2:] == size:
                return int(window)
        return None

    def keep_picture(self, window, name):
        os.makedirs(self.desk.artifacts, exist_ok=True)
        path = os.path.join(self.desk.artifacts, name + ".png")
        self.desk.run(["import", "-window", str(window), path])
        return path

    def click(self, x, y):
        self.desk.xdotool("mousemove", str(x), str(y), "click", "1")

    # Finding widgets on screen ----------------------------------------------------------------

    def open_from_menu(self):
        """Clicks the tray icon, then "Rename Spaces…", the item below the first separator."""
        x, y, width, height = geometry(self.desk, self.tray_icon)
        self.click(x + width // 2, y + height // 2)
        menu = self.desk.wait_until(self.find_menu, timeout=10, message="no menu")
        mx, my, mwidth, mheight = geometry(self.desk, menu)
        picture = grab(self.desk, menu)
        background = picture.pixel(mwidth - 12, 6)
        column = mwidth - 12  # right margin: only separators (and the last row's shortcut) mark it
        separator = next(y for y in range(4, mheight) if picture.pixel(column, y) != background)
        item_height = (separator - 2) / 4  # four desktop rows above it
        self.click(mx + mwidth // 3, my + separator + 3 + int(item_height / 2))
        return self.desk.wait_until(self.rename_window, timeout=10, message="no rename window")

    def find_menu(self):
        for window in self.desk.xdotool("search", "--onlyvisible", "--class", "^quillbar$",
                                        check=False).split():
            x, y, width, height = geometry(self.desk, window)
            if 100 < width < 400 and 100 < height < 400 and y < 100:
                return int(window)
        return None

    def current_row_centre(self, window):
        """The vertical centre of the current space's row: the window's last tinted band."""
        picture = grab(self.desk, window)
        tinted = []
        for y in range(picture.height):
            r, g, b = picture.pixel(4, y)
            tinted.append(b - r >= 6)
        bands = [band for band in runs(tinted) if band[1] - band[0] >= 20]
        self.assertTrue(bands, "no tinted row")
        return (bands[-1][0] + bands[-1][1]) // 2

    def first_cell_of_group_row(self, grid, row_index):
        """Screen centre of the first emoji in the row_index-th row of emoji (from the top)."""
        picture = grab(self.desk, grid)
        rows = runs(any(picture.saturated(x, y) for x in range(picture.width - 20))
                    for y in range(picture.height))
        top, bottom = rows[row_index]
        middle = (top + bottom) // 2
        columns = runs(any(picture.saturated(x, y) for y in range(top, bottom + 1))
                       for x in range(picture.width - 20))
        left, right = columns[0]
        gx, gy, _, _ = geometry(self.desk, grid)
        return gx + (left + right) // 2, gy + middle

    # Tests -----------------------------------------------------------------------------------

    def test_first_launch_shows_the_window_with_its_hint_and_the_second_does_not(self):
        self.start_app()
        window = self.desk.wait_until(self.rename_window, timeout=10,
                                      message="the first launch opened no window")
        self.keep_picture(window, "rename-window-first-launch")
        # The hint is the tinted band at the top, above the header.
        picture = grab(self.desk, window)
        r, g, b = picture.pixel(4, 6)
        self.assertGreaterEqual(b - r, 6, "no hint at the top of the window")

        self.stop_app()
        self.start_app()
        started = time.monotonic()
        # The first-run window would open 0.8 s after start; give it well over that.
        self.desk.wait_until(lambda: self.rename_window() or time.monotonic() - started > 2.5,
                             timeout=10)
        self.assertIsNone(self.rename_window(), "the second launch opened the window")

        window = self.open_from_menu()
        picture = grab(self.desk, window)
        r, g, b = picture.pixel(4, 6)
        self.assertLess(b - r, 6, "the hint shows after the first launch")

    def test_naming_the_current_desktop_from_the_tray_menu(self):
        self.start_app()
        # Out of the way: the first launch opens the window by itself; close it with Escape.
        first = self.desk.wait_until(self.rename_window, timeout=10)
        self.desk.wait_until(lambda: self.desk.active_window() == first, timeout=10)
        self.desk.xdotool("key", "Escape")
        self.desk.wait_until(lambda: not self.rename_window(), timeout=10)

        window = self.open_from_menu()
        self.desk.wait_until(lambda: self.desk.active_window() == window, timeout=10)
        x, y, width, height = geometry(self.desk, window)
        row = y + self.current_row_centre(window)

        # Type the name into the current desktop's field.
        self.click(x + width // 2, row)
        self.desk.xdotool("type", "--delay", "20", "Mail")
        self.desk.wait_until(lambda: self.print_title() == "Mail", timeout=10,
                             message="typing did not rename the desktop")

        # Pick an emoji from the grid.
        self.click(x + width - PICKER_FROM_RIGHT, row)
        grid = self.desk.wait_until(lambda: self.popup_of_size((340, 300)), timeout=10,
                                    message="the emoji grid did not open")
        self.keep_picture(grid, "emoji-grid-open")
        # Rows of emoji: three of Work, then Communication, which starts with the mailbox.
        self.click(*self.first_cell_of_group_row(grid, 3))
        self.desk.wait_until(lambda: not self.popup_of_size((340, 300)), timeout=10,
                             message="a pick did not close the grid")
        self.desk.wait_until(lambda: self.print_title() == MAILBOX + " Mail", timeout=10)
        self.keep_picture(window, "rename-window-named")

        # Escape closes the grid first, changing nothing, and the window second.
        self.click(x + width - PICKER_FROM_RIGHT, row)
        self.desk.wait_until(lambda: self.popup_of_size((340, 300)), timeout=10)
        self.desk.xdotool("key", "Escape")
        self.desk.wait_until(lambda: not self.popup_of_size((340, 300)), timeout=10)
        self.assertTrue(self.rename_window())
        self.desk.xdotool("key", "Escape")
        self.desk.wait_until(lambda: not self.rename_window(), timeout=10)
        self.assertEqual(self.print_title(), MAILBOX + " Mail")

        # The tray tooltip shows the new title above the hint line.
        ix, iy, iwidth, iheight = geometry(self.desk, self.tray_icon)
        self.desk.xdotool("mousemove", str(ix + iwidth // 2), str(iy + iheight // 2))
        tip = self.desk.wait_until(self.find_tooltip, timeout=10, message="no tooltip")
        self.keep_picture(tip, "tray-tooltip")

        # After a restart the name and emoji are still there.
        self.stop_app()
        self.start_app()
        self.desk.wait_until(lambda: self.print_title() == MAILBOX + " Mail", timeout=10)
        window = self.open_from_menu()
        self.keep_picture(window, "rename-window-after-restart")

    def find_tooltip(self):
        for window in self.desk.xdotool("search", "--onlyvisible", "--class", "^quillbar$",
                                        check=False).split():
            x, y, width, height = geometry(self.desk, window)
            if y < 80 and height < 80 and width > 150:
                return int(window)
        return None


if __name__ == "__main__":
    unittest.main()
