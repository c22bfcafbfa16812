# SPDX-License-Identifier: GPL-3.0-or-later
"""The application on a headless GNOME Shell; one shell serves every case, in a user's order."""

import os
import subprocess
import unittest

import gnome
from desktop import QUILLBAR, App
from gnome import GnomeShell

NAMES = ["Mail", "Code"]
# Quillbar's names for the first workspace and the third.
GIVEN = {"msid-1": ("Post", "📬"), "msid-3": ("Music", "🎵")}
MISSING = ("GNOME Shell extension quillbar@quillbar.org is not enabled: run gnome-extensions "
           "enable quillbar@quillbar.org")
WHY_NOT = gnome.available() or (None if os.access(QUILLBAR, os.X_OK) else "no " + QUILLBAR)


@unittest.skipIf(WHY_NOT, WHY_NOT)
class GnomeAppTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.shell = GnomeShell(workspaces=4, names=NAMES)
        cls.shell.start()
        try:
            # Quillbar as a GNOME session starts it: natively on the shell's Wayland display.
            cls.shell.env.update({"QT_QPA_PLATFORM": "wayland", "XDG_CURRENT_DESKTOP": "GNOME"})
            cls.shell.write_settings(GIVEN)
            cls.bare = cls.shell.wait_stable_top_bar("gnome-app-top-bar-before")
            cls.app = App(cls.shell, QUILLBAR)
        except BaseException:
            cls.shell.stop()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.shell.stop()

    def button_area(self, name):
        """Where the top bar differs from the bar before Quillbar (the button), or None."""
        return self.shell.changed_area(self.bare, self.shell.screenshot_top_bar(name))

    def button(self):
        return self.shell.wait_until(lambda: self.button_area("gnome-app-button"), timeout=20,
                                     message="no button in the top bar")

    def choose_from_button(self, downs):
        """Opens the button's menu and chooses its downs-th choosable row, once drawn."""
        self.closed = self.shell.screenshot("gnome-app-menu-closed", height=400)
        x, y, width, height = self.button()
        self.shell.click(x + width // 2, y + height // 2)
        self.shell.wait_menu_drawn(self.closed, "gnome-app-menu")
        self.shell.keys(*["Down"] * downs, "Return")

    def wait_menu_closed(self):
        under_bar = dict(y=gnome.TOP_BAR, height=400 - gnome.TOP_BAR)
        self.shell.run(["convert", self.closed, "-crop", "%dx%d+0+%d" % (
            gnome.WIDTH, 400 - gnome.TOP_BAR, gnome.TOP_BAR), "+repage", self.closed])
        self.shell.wait_until(lambda: self.shell.changed_area(self.closed, self.shell.screenshot(
            "gnome-app-menu-gone", **under_bar)) is None, message="the menu stayed open")

    def test_1_picks_gnome_and_its_button_follows_switches_and_renames(self):
        self.app.wait_for_line("Backend gnome chosen")
        self.shell.wait_title("📬 Post")
        self.app.wait_for_line("The top-bar button shows the title; no tray item")
        area = self.button()
        self.shell.screenshot_top_bar("gnome-app-button-post")  # looked at: 📬 in colour
        self.assertGreater(area[2], 40)  # emoji and name, not an empty button
        # A switch by another client: another title, another width, the same right end.
        self.shell.activate(1)
        self.shell.wait_title("Code")
        code = self.shell.wait_until(lambda: [a for a in [self.button_area("gnome-app-button-code")]
                                              if a and a[2] != area[2]],
                                     message="the button kept the old title")[0]
        self.assertAlmostEqual(code[0] + code[2], area[0] + area[2], delta=2)
        # GNOME's rename.
        self.shell.set_names(["Mail", "Web"])
        self.shell.wait_title("Web")
        self.shell.set_names(NAMES)
        self.shell.wait_title("Code")

    def test_2_a_row_of_the_buttons_menu_switches(self):
        self.choose_from_button(3)  # the third workspace's row
        self.shell.wait_until(lambda: self.shell.workspaces()[1] == 2,
                              message=lambda: "workspaces: %r" % (self.shell.workspaces(),))
        self.shell.wait_title("🎵 Music")
        self.wait_menu_closed()

    def test_3_rename_spaces_from_the_menu_opens_the_window(self):
        below_bar = dict(y=gnome.TOP_BAR, height=gnome.HEIGHT - gnome.TOP_BAR)
        before = self.shell.screenshot("gnome-app-before-rename", **below_bar)
        self.choose_from_button(5)  # four workspaces, then "Rename Spaces…"
        # A window of its own, drawn by the shell (there is no X server).
        window = self.shell.wait_until(lambda: [area for area in [self.shell.changed_area(
            before, self.shell.screenshot("gnome-app-rename-window", **below_bar))]
            if area and area[2] > 400
            and area[3] > 200], timeout=20, message="no rename window")[0]
        self.shell.screenshot("gnome-app-rename-window-whole")  # looked at: decorated, in front
        self.assertGreater(window[3], 300)
        # Closed again the way GNOME closes any window (Alt+F4), before workspaces go away.
        self.shell.keys("Alt_L+0xffc1")
        self.shell.wait_until(lambda: self.shell.changed_area(before, self.shell.screenshot(
            "gnome-app-rename-window-closed", **below_bar)) is None, message="the window stayed")

    def test_5_quit_from_the_menu_ends_quillbar_and_hides_the_button(self):
        self.choose_from_button(7)  # workspaces, rename, launch at login, then Quit
        self.assertEqual(self.app.proc.wait(timeout=20), 0)
        self.shell.wait_until(lambda: self.button_area("gnome-app-button-gone") is None,
                              message="the button stayed after Quillbar quit")

    def test_6_without_the_extension_quillbar_says_what_to_run(self):
        shell = self.shell
        shell.set_extension(False)
        shell.wait_until(lambda: shell.owner(gnome.SHELL_NAME) is None, message="name kept")
        try:
            # No other backend runs here: Quillbar ends, saying why (also without --verbose).
            done = subprocess.run([QUILLBAR], env=shell.env, stdin=subprocess.DEVNULL,
                                  capture_output=True, text=True, timeout=60)
            self.assertEqual(done.returncode, 1)
            self.assertIn("quillbar: " + MISSING + "\n", done.stderr)
        finally:
            shell.set_extension(True)
            shell.wait_until(lambda: shell.owner(gnome.SHELL_NAME), message="name not back")

    def test_7_names_go_into_gnome_and_come_back(self):
        shell = self.shell
        conf = shell.write_settings(GIVEN, "UseNamesInDesktop.v1=true\n")

        def wait_names(shown, setting):
            shell.wait_until(lambda: shell.workspaces()[0] == shown and
                             shell.names_setting() == setting, timeout=20,
                             message=lambda: "GNOME shows %r from %r" % (
                                 shell.workspaces()[0], shell.names_setting()))

        app = App(shell, QUILLBAR)
        self.addCleanup(shell.stop_process, app.proc)
        given = ["📬 Post", "Code", "🎵 Music"]
        wait_names(given + ["Workspace 4"], given)
        # Renamed in GNOME's settings: Quillbar takes it.
        shell.set_names(["📬 Post", "Code", "🎸 Band"])
        shell.wait_stored("msid-3", ("Band", "🎸"))
        shared = ["📬 Post", "Code", "🎸 Band"]
        # Off: GNOME's names come back; on again, twice (no "📬 📬 Post" from a shown label).
        for share, setting, shown in ((False, NAMES, NAMES + ["Workspace 3", "Workspace 4"]),
                                      (True, shared, shared + ["Workspace 4"]),
                                      (True, shared, shared + ["Workspace 4"])):
            app = app.sharing(conf, share)
            self.addCleanup(shell.stop_process, app.proc)
            wait_names(shown, setting)
        # A rename taken after the start (the names shown were already the last instance's, so
        # first the new one is seen up): the names are what Quillbar leaves.
        shell.wait_until(lambda: shell.title() not in ("", "Desktop ?"), timeout=20,
                         message="the new instance serves no title")
        shell.set_names(["📬 Inbox"] + shared[1:])
        shell.wait_stored("msid-1", ("Inbox", "📬"))
        self.assertEqual(app.stop(), 0, "quillbar exit status")
        self.assertEqual(shell.names_setting(), ["📬 Inbox"] + shared[1:])


@unittest.skipIf(WHY_NOT, WHY_NOT)
class OutOfDateTest(unittest.TestCase):
    def test_an_extension_the_shell_refuses_is_named_for_what_it_is(self):
        # Enabled but made for other versions: Quillbar says OUT OF DATE, as the shell does.
        with GnomeShell(workspaces=2, shell_versions=["1"]) as shell:
            self.assertIn("OUT OF DATE", shell.run(["gnome-extensions", "info", gnome.UUID]))
            env = dict(shell.env, QT_QPA_PLATFORM="wayland")
            done = subprocess.run([QUILLBAR], env=env, stdin=subprocess.DEVNULL,
                                  capture_output=True, text=True, timeout=60)
            self.assertEqual(done.returncode, 1)
            self.assertIn("reports extension quillbar@quillbar.org OUT OF DATE", done.stderr)
            self.assertNotIn("is not enabled", done.stderr)


if __name__ == "__main__":
    unittest.main()
