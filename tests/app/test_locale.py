# SPDX-License-Identifier: GPL-3.0-or-later
"""End to end: under a German locale the tray menu and --help speak German."""

import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

from desktop import BUILD, App, DesktopTest  # noqa: E402
from test_tray import not_first_launch  # noqa: E402

QUILLBAR = os.environ.get("QUILLBAR", BUILD + "/src/app/quillbar")


class GermanTest(DesktopTest):
    def setUp(self):
        super().setUp()
        # LANG alone decides, as on a system that has no glibc data for the locale.
        for name in ("LANGUAGE", "LC_ALL", "LC_MESSAGES"):
            self.desk.env.pop(name, None)
        self.desk.env["LANG"] = "de_DE.UTF-8"

    def test_menu_and_help_in_german(self):
        help_text = self.desk.run([QUILLBAR, "--help"])
        self.assertIn("Aufruf: quillbar [Optionen]", help_text)
        self.assertIn("Optionen:", help_text)  # Qt's own translation
        self.assertIn("Diese Hilfe anzeigen und beenden.", help_text)
        self.assertIn("X11-Fenstermanager mit EWMH-Arbeitsflächen", help_text)

        not_first_launch(self.desk)
        self.desk.start_tray()
        app = App(self.desk, QUILLBAR)
        self.assertEqual(app.open_menu()[4:], [
            "Arbeitsflächen umbenennen …", "Beim Anmelden starten",
            "Nach Aktualisierungen suchen … (off)", "Quillbar v0.1.0 (off)", "Beenden"])
        self.desk.screenshot("tray-menu-german")
        self.desk.xdotool("key", "Escape")

    def test_english_first_in_language_keeps_english(self):
        self.desk.env["LANGUAGE"] = "en_US:de"
        help_text = self.desk.run([QUILLBAR, "--help"])
        self.assertIn("Show this help and exit.", help_text)


if __name__ == "__main__":
    unittest.main()
