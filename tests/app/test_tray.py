# SPDX-License-Identifier: GPL-3.0-or-later
"""Quillbar in a real tray (trayer) on Xvfb with openbox."""

import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

from desktop import QUILLBAR, App, DesktopTest  # noqa: E402

QUILLBAR_OTHER_ID = os.environ.get("QUILLBAR_OTHER_ID")


def not_first_launch(desk, extra=""):
    """Settings of a program that has run before, with extra lines; returns their folder."""
    return os.path.dirname(desk.write_settings(text=extra))


# Under stalonetray the icon's redraw and the later menu clicks fail (on Debian 13 and testing).
ONLY_WITH_TRAYER = unittest.skipUnless(shutil.which("trayer"), "needs trayer (not in this Debian)")


class TrayTest(DesktopTest):
    @ONLY_WITH_TRAYER
    def test_tray_item_menu_instances_and_requests(self):
        self.desk.write_settings()
        # Started before there is a tray, it waits and docks when one appears.
        app = App(self.desk)
        app.wait_for_line("Detected 4 spaces")
        self.assertEqual(self.desk.icons(), [])
        self.desk.start_tray()

        # A click opens the menu: a row per desktop, then the commands.
        self.assertEqual(app.open_menu(), [
            "✓Desktop 1", "Desktop 2", "Desktop 3", "Desktop 4", "Rename Spaces…",
            "Launch at Login", "Check for Updates… (off)", "Quillbar v0.1.0 (off)", "Quit"])
        self.desk.screenshot("tray-menu-open")
        # Choosing the third row switches there, and the checkmark follows.
        self.desk.xdotool("key", "Down", "Down", "Down", "Return")
        self.desk.wait_until(lambda: self.desk.current_desktop() == 2,
                             message="the row did not switch the desktop")
        self.desk.wait_until(lambda: not app.menu_window())
        self.assertEqual(app.open_menu()[:4],
                         ["Desktop 1", "Desktop 2", "✓Desktop 3", "Desktop 4"])
        self.desk.xdotool("key", "ctrl+q")  # Quit
        self.assertEqual(app.proc.wait(timeout=20), 0)
        self.desk.wait_for_icons(0)

        # The newest instance replaces the running one; one with another identifier coexists.
        first = App(self.desk)
        self.desk.wait_for_icons(1)
        app = App(self.desk)
        self.assertEqual(first.proc.wait(timeout=20), 0)
        first.wait_for_line("A newer Quillbar took over")
        self.desk.wait_for_icons(1)
        # Launched again: the new instance's rename window comes forward, for the keyboard.
        rename = self.desk.wait_until(self.desk.rename_window, timeout=20,
                                      message=lambda: "no rename window: %r" % app.lines[-30:])
        self.desk.wait_until(lambda: self.desk.active_window() == rename)
        self.desk.xdotool("key", "Escape")
        if QUILLBAR_OTHER_ID:
            App(self.desk, QUILLBAR_OTHER_ID)
            self.desk.wait_for_icons(2)
        self.assertIsNone(app.proc.poll())

        # A follower prints every new title; the debug request on the bus switches. The follower
        # appends through its own file description, so the reader's seeks cannot move its offset.
        with tempfile.NamedTemporaryFile(mode="r") as out, open(out.name, "a") as sink:
            def printed():
                out.seek(0)
                return out.read().splitlines()

            self.desk.start_process([QUILLBAR, "--print-title", "--follow"], stdout=sink)
            self.desk.wait_until(lambda: printed() == ["Desktop 3"])
            self.desk.wmctrl("-s", "3")
            self.desk.wait_until(lambda: printed() == ["Desktop 3", "Desktop 4"],
                                 message=lambda: "the follower printed %r" % printed())
            self.desk.run(["dbus-send", "--session", "--type=signal", "/org/quillbar/Quillbar",
                           "org.quillbar.Quillbar.debug.switchTo", "string:2"])
            self.desk.wait_until(lambda: self.desk.current_desktop() == 1,
                                 message="the debug request did not switch")
            self.desk.wait_until(lambda: printed()[-1] == "Desktop 2")
        self.assertEqual(app.stop(), 0)

    @ONLY_WITH_TRAYER
    def test_the_icon_follows_the_desktop_in_a_tray_that_comes_again(self):
        self.desk.write_settings()
        tray = self.desk.start_tray()
        app = App(self.desk)
        self.desk.wait_for_icons(1)
        self.desk.stop_process(tray)
        self.desk.wait_for_icons(0)
        self.desk.start_tray()
        icon = self.desk.wait_for_icons(1)[0]
        first = self.desk.wait_until(lambda: (drawn := self.pixels(icon)) and len(set(drawn)) > 1
                                     and drawn, message="Qt did not draw the icon in the new tray")
        self.desk.wmctrl("-s", "2")
        self.desk.wait_until(lambda: self.pixels(icon) not in (None, first),
                             message="the icon in the new tray did not change")
        self.desk.screenshot("tray-icon-desktop-3")
        self.desk.wmctrl("-s", "0")
        self.desk.wait_until(lambda: self.pixels(icon) == first,
                             message="the icon in the new tray did not come back")
        self.assertEqual(app.stop(), 0)

    def test_the_menu_keeps_to_the_work_area(self):
        self.desk.write_settings()
        self.desk.start_tray()
        app = App(self.desk)
        self.desk.wait_for_icons(1)

        def menu_top():
            app.open_menu()
            top = self.desk.geometry(app.menu_window())[1]
            self.desk.xdotool("key", "Escape")
            self.desk.wait_until(lambda: not app.menu_window())
            return top

        self.assertLess(menu_top(), 100)
        self.desk.run(["xprop", "-root", "-f", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA",
                       ",".join(["0,300,1280,400"] * 4)])
        self.desk.wait_until(lambda: menu_top() == 300,
                             message="the menu does not keep to the new work area")
        self.assertEqual(app.stop(), 0)

    def test_without_a_tray_it_says_where_the_title_is_once_and_the_first_run_hint_agrees(self):
        # Openbox and no panel: the first launch.
        app = App(self.desk)
        app.wait_for_line("no system tray found: the title is served to "
                          "`quillbar --print-title --follow`; ")
        window = self.desk.wait_until(self.desk.rename_window, timeout=20,
                                      message="the rename window did not open")
        self.desk.screenshot("first-run-without-tray", window=str(window))
        self.assertEqual(self.desk.title(), "Desktop 1")
        self.assertEqual(sum("no system tray found" in line for line in app.lines), 1)
        self.assertEqual(app.stop(), 0)

    def pixels(self, window):
        """The window's pixels as the screen shows them (children included), or None if gone."""
        try:
            return self.desk.run(["import", "-window", window, "rgb:-"], text=False)
        except RuntimeError:
            return None


if __name__ == "__main__":
    unittest.main()
