# SPDX-License-Identifier: GPL-3.0-or-later
"""End to end: under a German locale the tray menu and --help speak German."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

from desktop import QUILLBAR, App, DesktopTest  # noqa: E402


class GermanTest(DesktopTest):
    def test_menu_and_help_in_german_unless_english_comes_first(self):
        # LANG alone decides, as on a system that has no glibc data for the locale.
        for name in ("LC_ALL", "LC_MESSAGES"):
            self.desk.env.pop(name, None)
        self.desk.env.update(LANG="de_DE.UTF-8", LANGUAGE="en_US:de")
        self.assertIn("Show this help and exit.", self.desk.run([QUILLBAR, "--help"]))
        del self.desk.env["LANGUAGE"]
        help_text = self.desk.run([QUILLBAR, "--help"])
        for german in ("Aufruf: quillbar [Optionen]", "Optionen:",  # the latter Qt's own
                       "Diese Hilfe anzeigen und beenden.",
                       "X11-Fenstermanager mit EWMH-Arbeitsflächen"):
            self.assertIn(german, help_text)

        self.desk.write_settings()
        self.desk.start_tray()
        app = App(self.desk)
        self.assertEqual(app.open_menu()[4:], [
            "Arbeitsflächen umbenennen …", "Beim Anmelden starten",
            "Nach Aktualisierungen suchen … (off)", "Quillbar v0.1.0 (off)", "Beenden"])
        self.desk.screenshot("tray-menu-german")
        self.desk.xdotool("key", "Escape")


if __name__ == "__main__":
    unittest.main()
