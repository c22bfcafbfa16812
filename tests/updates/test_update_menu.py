# SPDX-License-Identifier: GPL-3.0-or-later
"""End to end on Xvfb with a tray: with a feed in the settings the menu's update command is
enabled and ends in the update dialog (the tray test sees it disabled without one), with Quillbar
still running."""

import os
import re
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
sys.path.insert(0, os.path.join(HERE, "..", "app"))

from desktop import App, DesktopTest  # noqa: E402
from test_tray import QUILLBAR, not_first_launch  # noqa: E402

FEED = """<rss xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel>
<item><sparkle:version>99.0</sparkle:version><link>https://example.org/99</link></item>
</channel></rss>"""


class UpdateMenuTest(DesktopTest):
    desktops = 2

    def dialog(self, title):
        return self.desk.xdotool("search", "--onlyvisible", "--name", "^%s$" % title,
                                 check=False).split()

    def start_with_feed(self, feed_text):
        """Quillbar in a tray, its feed served by Python's file server on a free port."""
        config = not_first_launch(self.desk)
        with open(os.path.join(config, "appcast.xml"), "w") as feed:
            feed.write(feed_text)
        server = self.desk.start_process(
            [sys.executable, "-u", "-m", "http.server", "-b", "127.0.0.1", "-d", config, "0"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        port = re.search(r" port (\d+)", server.stdout.readline()).group(1)
        not_first_launch(self.desk, "UpdateFeedURL=http://127.0.0.1:%s/appcast.xml\n" % port)
        self.desk.start_tray()
        return App(self.desk, QUILLBAR)

    def choose_update_command(self, app):
        self.assertIn("Check for Updates…", app.open_menu())  # enabled: no "(off)"
        # Two desktops, "Rename Spaces…", "Launch at Login", then the update command.
        self.desk.xdotool("key", "Down", "Down", "Down", "Down", "Down", "Return")

    def wait_for_dialog(self, app, title):
        def shown():
            self.assertIsNone(app.proc.poll(), "Quillbar ended while checking the feed")
            return self.dialog(title)
        return self.desk.wait_until(shown, timeout=20, message="no dialog %r" % title)

    def close_with_escape(self, dialog, title):
        self.desk.xdotool("windowactivate", "--sync", dialog[-1], check=False)
        self.desk.xdotool("key", "Escape")
        self.desk.wait_until(lambda: not self.dialog(title), timeout=20,
                             message="the dialog stayed open")

    def test_command_is_enabled_and_ends_in_the_update_dialog(self):
        app = self.start_with_feed(FEED)
        self.choose_update_command(app)
        # "Remind Me Later" is the dialog's Escape button.
        self.close_with_escape(self.wait_for_dialog(app, "Quillbar Update"), "Quillbar Update")
        self.assertEqual(app.stop(), 0)


if __name__ == "__main__":
    unittest.main()
