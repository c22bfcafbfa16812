# SPDX-License-Identifier: GPL-3.0-or-later
"""The observer (driver) and the application on KWin Wayland (--virtual) and KWin X11."""

import pathlib
import time
import unittest

from desktop import QUILLBAR, App
from kwin import KWin
from test_x11_backend import PROMPT, Driver

MAIL, CODE, MUSIC = ("2f1d4b9e-000%d-4000-8000-00000000000%s" % (n, "abc"[n - 1])
                     for n in (1, 2, 3))
START = [(MAIL, "Mail"), (CODE, "Code"), (MUSIC, "Music")]


class KWinCases:
    @classmethod
    def setUpClass(cls):
        cls.kde = KWin(cls.wayland, START)
        cls.kde.start()
        cls.addClassCleanup(cls.kde.stop)

    def test_follows_switches_and_keeps_names_through_changes_and_a_restart(self):
        self.kde.set_current(CODE)
        driver = Driver(self.kde, "--kwin", test=self)
        state = driver.wait_state(lambda s: s["current"] == CODE)
        self.assertEqual(state["spaces"], [MAIL, CODE, MUSIC])
        self.assertEqual(state["title"], "Code")  # KDE's own name, as long as Quillbar has none
        self.assertTrue(driver.send("name 2 Work"))
        driver.wait_state(lambda s: s["title"] == "Work")  # before the mark: not the next title

        # Followed well inside the periodic refresh: only KWin's signal can.
        mark, asked = len(driver.events), time.time()
        self.kde.set_current(MUSIC)
        published = driver.wait_for("title", since=mark)
        self.assertEqual(published["title"], "Music")
        self.assertLess(published["t"] / 1e6 - asked, PROMPT)

        # Away: nothing to show, no name lost; back: found again with its names.
        mark = len(driver.events)
        self.kde.restart()
        driver.wait_state(lambda s: s["title"] == "Desktop ?" and s["names"] == [CODE], mark)
        driver.wait_state(lambda s: s["spaces"] == [MAIL, CODE, MUSIC], mark)

        # Desktops created, renamed and removed around the named one: its name moves with it.
        chat = self.kde.create(1, "Chat")
        driver.wait_state(lambda s: s["spaces"] == [MAIL, chat, CODE, MUSIC], mark)
        self.kde.rename(MAIL, "Inbox")
        driver.wait_state(lambda s: s["title"] == "Inbox", mark)
        self.kde.remove(MAIL)
        driver.wait_state(lambda s: s["spaces"] == [chat, CODE, MUSIC], mark)
        mark = len(driver.events)
        driver.switch(2)
        driver.wait_state(lambda s: s["current"] == CODE and s["title"] == "Work", mark)
        self.assertEqual(self.kde.current(), CODE)
        # Its removal takes the name with it.
        self.kde.remove(CODE)
        driver.wait_state(lambda s: s["spaces"] == [chat, MUSIC] and s["names"] == [], mark)

    def test_the_app_serves_its_title_and_brings_its_window_to_the_desktop_asked_on(self):
        ids = [ident for _, ident, _ in sorted(self.kde.desktop_list())][:2]
        self.assertEqual(len(ids), 2, "the session's cases left fewer than two desktops")
        env = dict(self.kde.env)
        if self.wayland:
            env.update({"QT_QPA_PLATFORM": "wayland", "WAYLAND_DISPLAY": "wayland-quillbar"})
        app = App(self.kde, QUILLBAR, env=env)
        self.addCleanup(lambda: self.assertEqual(app.stop(), 0, "quillbar exit status"))
        app.wait_for_line("Backend kwin chosen")
        # KWin alone hosts no tray: Quillbar still follows the desktops and answers on the bus,
        # once it has read them (until then it has no desktop 1 to switch to).
        names = [n for _, _, n in self.kde.desktop_list()]
        self.kde.wait_until(lambda: self.kde.title() not in ("", "Desktop ?"), timeout=20,
                            message="Quillbar read no desktop")
        # The request is answered before the switch goes out: KWin shows desktop 1 before the
        # next switch is asked for, or Quillbar's could land after it.
        first, last = self.kde.desktop_list()[0][1], self.kde.desktop_list()[-1][1]
        self.kde.run([QUILLBAR, "--debug-switch-to", "1"])
        self.kde.wait_until(lambda: self.kde.current() == first, message="no switch to 1")
        self.kde.wait_title(names[0])
        self.kde.set_current(last)
        self.kde.wait_until(lambda: self.kde.current() == last, message="KWin did not switch")
        self.kde.wait_title(names[-1])
        # KWin keeps windows from taking focus: asked for on another desktop than the one it was
        # left on, the window must still come here, active.
        state = lambda: self.kde.window_state("Rename Spaces", "org.quillbar.Quillbar")
        for position, ident in ((1, ids[0]), (2, ids[1]), (1, ids[0])):
            self.kde.set_current(ident)
            self.kde.wait_until(lambda: self.kde.current() == ident, message="no switch")
            self.kde.run([QUILLBAR, "--debug-settings"])
            self.kde.wait_until(lambda: state() == (position, True), timeout=20,
                                message=lambda: "window %s, current %s %s" % (
                                    state(), position, app.lines[-4:]))
            self.assertEqual(self.kde.current(), ident)

    def test_names_go_into_kwin_and_come_back(self):
        kde = self.kde
        before = sorted(kde.desktop_list())
        self.assertGreaterEqual(len(before), 2, "the session's cases left fewer than two desktops")
        (_, first, _), (_, second, _) = before[:2]
        names = lambda: [name for _, _, name in sorted(kde.desktop_list())]
        originals = names()
        # The session's other cases find the settings and the names as they were.
        conf = pathlib.Path(kde.conf_path())
        kept = conf.read_bytes() if conf.exists() else None
        self.addCleanup(lambda: conf.unlink(missing_ok=True) if kept is None else
                        conf.write_bytes(kept))
        self.addCleanup(lambda: [kde.rename(i, n) for _, i, n in before if i in (first, second)])
        kde.write_settings({first: ("Post", "📬"), second: "Work"}, "UseNamesInDesktop.v1=true\n")

        app = App(kde, QUILLBAR)
        self.addCleanup(kde.stop_process, app.proc)
        kde.wait_value(names, ["📬 Post", "Work"] + originals[2:])
        # Renamed in KDE's own tools (the pager, System Settings): Quillbar takes it.
        kde.rename(second, "🎵 Songs")
        kde.wait_stored(second, ("Songs", "🎵"))
        shared = ["📬 Post", "🎵 Songs"] + originals[2:]
        # Off: KWin's names come back; on again, twice (no "📬 📬 Post" from a shown label).
        for share, expected in ((False, originals), (True, shared), (True, shared)):
            app = app.sharing(conf, share)
            self.addCleanup(kde.stop_process, app.proc)
            kde.wait_value(names, expected)
        # A rename taken after the start: the names are what Quillbar leaves.
        kde.rename(first, "📬 Inbox")
        kde.wait_stored(first, ("Inbox", "📬"))
        self.assertEqual(app.stop(), 0, "quillbar exit status")
        self.assertEqual(names(), ["📬 Inbox", "🎵 Songs"] + originals[2:])


class KWinWaylandTest(KWinCases, unittest.TestCase):
    wayland = True


class KWinX11Test(KWinCases, unittest.TestCase):
    wayland = False


if __name__ == "__main__":
    unittest.main()
