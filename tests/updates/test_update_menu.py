# SPDX-License-Identifier: GPL-3.0-or-later
"""With a feed in the settings, the menu's update command ends in the update dialog."""

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

    def test_command_is_enabled_and_ends_in_the_update_dialog(self):
        config = not_first_launch(self.desk)
        with open(os.path.join(config, "appcast.xml"), "w") as feed:
            feed.write(FEED)
        server = self.desk.start_process(
            [sys.executable, "-u", "-m", "http.server", "-b", "127.0.0.1", "-d", config, "0"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        port = re.search(r" port (\d+)", server.stdout.readline()).group(1)
        not_first_launch(self.desk, "UpdateFeedURL=http://127.0.0.1:%s/appcast.xml\n" % port)
        self.desk.start_tray()
        app = App(self.desk, QUILLBAR)
        self.assertIn("Check for Updates…", app.open_menu())  # enabled: no "(off)"
        # Two desktops, "Rename Spaces…", "Launch at Login", then the update command.
        self.desk.xdotool("key", "Down", "Down", "Down", "Down", "Down", "Return")

        def dialog():
            self.assertIsNone(app.proc.poll(), "Quillbar ended while checking the feed")
            return self.desk.xdotool("search", "--onlyvisible", "--name", "^Quillbar Update$",
                                     check=False).split()
        shown = self.desk.wait_until(dialog, timeout=20, message="no update dialog")
        # "Remind Me Later" is the dialog's Escape button.
        self.desk.xdotool("windowactivate", "--sync", shown[-1], check=False)
        self.desk.xdotool("key", "Escape")
        self.desk.wait_until(lambda: not dialog(), timeout=20, message="the dialog stayed open")
        self.assertEqual(app.stop(), 0)


if __name__ == "__main__":
    unittest.main()
