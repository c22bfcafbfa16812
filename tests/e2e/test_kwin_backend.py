# SPDX-License-Identifier: GPL-3.0-or-later
"""End to end: the real observer on KWin's desktops over the session bus, through the driver
(driver/DriverSession.h), on KWin Wayland (--virtual) and on KWin X11 under Xvfb."""

import os
import time
import unittest

from desktop import BUILD, App, Desktop
from kwin import KWin
from test_x11_backend import PROMPT, Driver

QUILLBAR = os.environ.get("QUILLBAR", BUILD + "/src/app/quillbar")

MAIL, CODE, MUSIC = "2f1d4b9e-0001-4000-8000-00000000000a", "2f1d4b9e-0002-4000-8000-00000000000b", \
    "2f1d4b9e-0003-4000-8000-00000000000c"
START = [(MAIL, "Mail"), (CODE, "Code"), (MUSIC, "Music")]


class KWinCases:
    """The same cases on either kind of KWin session."""

    wayland = True

    def setUp(self):
        self.kde = KWin(self.wayland, START)
        self.kde.start()
        self.addCleanup(self.kde.stop)

    def driver(self):
        driver = Driver(self.kde, "--kwin")
        # A clean exit also means no sanitizer report in sanitizer builds.
        self.addCleanup(lambda: self.assertEqual(driver.quit(), 0, "driver exit status"))
        return driver

    def test_follows_desktops_and_their_changes(self):
        self.kde.set_current(CODE)
        driver = self.driver()
        state = driver.wait_state(lambda s: s["current"] == CODE)
        self.assertEqual(state["spaces"], [MAIL, CODE, MUSIC])
        self.assertEqual(state["title"], "Code")  # KDE's own name, as long as Quillbar has none

        # Another client switches, creates, renames and removes desktops.
        # Followed well inside the periodic refresh: only KWin's signal can do that.
        mark, asked = len(driver.events), time.time()
        self.kde.set_current(MUSIC)
        published = driver.wait_for("title", since=mark)
        self.assertEqual(published["title"], "Music")
        self.assertLess(published["t"] / 1e6 - asked, PROMPT)
        chat = self.kde.create(1, "Chat")
        driver.wait_state(lambda s: s["spaces"] == [MAIL, chat, CODE, MUSIC], mark)
        self.kde.rename(MUSIC, "Tunes")
        driver.wait_state(lambda s: s["title"] == "Tunes", mark)
        self.kde.remove(MAIL)
        driver.wait_state(lambda s: s["spaces"] == [chat, CODE, MUSIC], mark)

    def test_a_name_stays_with_its_desktop_until_it_is_removed(self):
        driver = self.driver()
        driver.wait_state(lambda s: s["current"] == MAIL)
        self.assertTrue(driver.send("name 2 Work"))
        # Desktops removed and created around it: it moves, and its name moves with it.
        self.kde.remove(MAIL)
        driver.wait_state(lambda s: s["spaces"] == [CODE, MUSIC])
        front = self.kde.create(0, "Front")
        driver.wait_state(lambda s: s["spaces"] == [front, CODE, MUSIC])
        self.kde.set_current(CODE)
        driver.wait_state(lambda s: s["title"] == "Work" and s["names"] == [CODE])
        # Its removal takes the name with it.
        self.kde.remove(CODE)
        driver.wait_state(lambda s: s["spaces"] == [front, MUSIC] and s["names"] == [])

    def test_switching_from_quillbar_lands(self):
        driver = self.driver()
        driver.wait_state(lambda s: s["current"] == MAIL)
        mark = len(driver.events)
        driver.switch(3)
        driver.wait_state(lambda s: s["current"] == MUSIC and s["title"] == "Music", mark)
        self.assertEqual(self.kde.current(), MUSIC)

    def test_kwin_restarting_is_survived_without_losing_names(self):
        driver = self.driver()
        driver.wait_state(lambda s: s["current"] == MAIL)
        self.assertTrue(driver.send("name 2 Work"))
        mark = len(driver.events)
        self.kde.restart()
        # Away: nothing to show, no name lost; back: found again with its names.
        driver.wait_state(lambda s: s["title"] == "Desktop ?" and s["names"] == [CODE], mark)
        driver.wait_state(lambda s: s["spaces"] == [MAIL, CODE, MUSIC], mark)
        mark = len(driver.events)
        self.kde.set_current(CODE)
        driver.wait_state(lambda s: s["title"] == "Work" and s["names"] == [CODE], mark)


    def test_the_app_chooses_kwin_and_serves_its_title_without_a_tray(self):
        # KWin alone hosts no tray: Quillbar still follows the desktops and answers on the bus.
        app = App(self.kde, QUILLBAR)
        self.addCleanup(lambda: self.assertEqual(app.stop(), 0, "quillbar exit status"))
        app.wait_for_line("Backend kwin chosen")
        title = lambda: self.kde.run([QUILLBAR, "--print-title"], check=False).strip()
        self.kde.wait_until(lambda: title() == "Mail", message=lambda: "title " + title())
        self.kde.set_current(CODE)
        self.kde.wait_until(lambda: title() == "Code", message=lambda: "title " + title())
        self.kde.run([QUILLBAR, "--debug-switch-to", "3"])
        self.kde.wait_until(lambda: self.kde.current() == MUSIC, message="no switch")
        self.kde.wait_until(lambda: title() == "Music", message=lambda: "title " + title())


class EwmhWithoutKWinTest(unittest.TestCase):
    def test_plain_ewmh_is_chosen_when_kwin_is_not_on_the_bus(self):
        with Desktop(desktops=2) as desk:
            app = App(desk, QUILLBAR)
            app.wait_for_line("Backend x11 chosen")
            self.assertEqual(app.stop(), 0)


class KWinWaylandTest(KWinCases, unittest.TestCase):
    wayland = True


class KWinX11Test(KWinCases, unittest.TestCase):
    wayland = False

    def test_the_rename_window_comes_to_the_desktop_it_is_asked_for_on(self):
        # KWin keeps windows from taking focus: asked for from the bus, on another desktop than
        # the one it was left on, the window must still come here and be the active one.
        app = App(self.kde, QUILLBAR)
        self.addCleanup(lambda: self.assertEqual(app.stop(), 0, "quillbar exit status"))
        app.wait_for_line("Backend kwin chosen")
        self.kde.run([QUILLBAR, "--debug-settings"])
        windows = lambda: self.kde.xdotool("search", "--name", "^Rename Spaces$",
                                           check=False).split()
        self.kde.wait_until(lambda: windows(), message="no rename window")
        window = int(windows()[0])
        self.kde.wait_until(lambda: self.kde.active_window() == window, message="not active")
        for ident, index in ((CODE, 1), (MUSIC, 2)):
            self.kde.set_current(ident)
            self.kde.wait_until(lambda: self.kde.current_desktop() == index, message="no switch")
            self.kde.run([QUILLBAR, "--debug-settings"])
            self.kde.wait_until(
                lambda: self.kde.window_desktop(window) == index and
                self.kde.active_window() == window,
                message=lambda: "window on %s, active %s, current %s" % (
                    self.kde.window_desktop(window), self.kde.active_window(),
                    self.kde.current_desktop()))


if __name__ == "__main__":
    unittest.main()
