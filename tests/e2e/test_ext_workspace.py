# SPDX-License-Identifier: GPL-3.0-or-later
"""`--backend ext-workspace` on headless labwc and sway 1.12+, on Qt's offscreen platform so that
it outlives the compositor."""

import os
import re
import shutil
import signal
import subprocess
import unittest

from desktop import AS_NOBODY, App, BUILD, Lines, QUILLBAR, stored_table
from tiling import WATCHER, SwayDesktop

ACTIVATE = os.environ.get("QUILLBAR_EXTWS_ACTIVATE",
                          BUILD + "/tests/e2e/driver/quillbar-extws-activate")
RC_XML = """<?xml version="1.0"?>
<labwc_config>
  <desktops number="{number}" popupTime="0">
    <names>{names}</names>
  </desktops>
</labwc_config>
"""


class LabwcDesktop(SwayDesktop):
    """labwc, headless, one output, as nobody, with its desktops given in rc.xml."""

    def __init__(self, names, number=4):
        super().__init__()
        self.names, self.number, self._labwc = names, number, None

    def write_rc(self, names=None, number=None):
        self.names = self.names if names is None else names
        self.number = self.number if number is None else number
        config = os.path.join(self._home, "labwc")
        os.makedirs(config, exist_ok=True)
        with open(os.path.join(config, "rc.xml"), "w") as out:
            out.write(RC_XML.format(number=self.number, names="".join(
                "<name>%s</name>" % name for name in self.names)))

    def start_sway(self):
        self.env["WLR_HEADLESS_OUTPUTS"] = "1"
        self.write_rc()
        # What a labwc session tells the programs in it; no sway socket.
        self.env.pop("SWAYSOCK", None)
        self.env["XDG_CURRENT_DESKTOP"] = "labwc:wlroots"
        self.start_compositor(["labwc", "-C", os.path.join(self._home, "labwc")], lambda: True)

    def reconfigure(self, names=None, number=None):
        """Rewrites rc.xml; SIGHUP makes labwc read it (as `labwc -r` does)."""
        self.write_rc(names, number)
        os.kill(self._sway.pid, signal.SIGHUP)


class ExtWorkspaceCases:

    def start_app(self, table=None):
        conf = self.desk.write_settings(table)
        app = App(self.desk, QUILLBAR, "--backend", "ext-workspace")
        self.addCleanup(lambda: app.proc.poll() is None and app.stop())
        app.wait_for_line("Backend ext-workspace chosen")
        return app, conf

    def title(self, expected, timeout=20):
        self.desk.wait_title(expected, timeout)

    def switch(self, number):
        self.desk.run([QUILLBAR, "--debug-switch-to", str(number)])

    def detected(self, app, count):
        """Waits until the latest detection found count spaces."""
        latest = lambda: [line for line in app.lines if "Detected " in line][-1:]
        self.desk.wait_until(lambda: "Detected %d spaces" % count in "".join(latest()),
                             timeout=20, message=lambda: "detected: %r" % latest())

    @staticmethod
    def current_keys(app):
        """The current space's key in each detection so far."""
        return [m.group(1) for line in app.lines
                for m in [re.search(r"focused current ID: (\S+)", line)] if m]


@unittest.skipUnless(shutil.which("labwc"), "labwc is not installed")
class LabwcTest(ExtWorkspaceCases, unittest.TestCase):

    def setUp(self):
        self.desk = LabwcDesktop(["Mail", "Web"])
        self.desk.start()
        self.addCleanup(self.desk.stop)
        self.desk.env["QT_QPA_PLATFORM"] = "offscreen"

    def test_follows_switches_renames_and_restarts_keeping_names(self):
        app, conf = self.start_app()
        app.wait_for_line("Detected 4 spaces")
        self.title("Mail")
        follower = Lines(self.desk, [QUILLBAR, "--print-title", "--follow"], stream="stdout")
        self.addCleanup(lambda: follower.proc.poll() is None and follower.stop())
        follower.wait_for(1)
        # Switches made by another client (a pager), then one made from Quillbar; a follower
        # sees each desktop's title and never a title without a current desktop in between.
        for _ in range(3):
            self.desk.run([ACTIVATE, "Web"])
            self.title("Web")
            self.desk.run([ACTIVATE, "Mail"])
            self.title("Mail")
        self.desk.run([ACTIVATE, "Web"])
        self.title("Web")
        self.switch(4)
        self.title("Desktop 4")  # labwc's "Workspace 4" only restates the position
        keys = self.desk.wait_until(lambda: len(set(self.current_keys(app))) >= 3 and
                                    self.current_keys(app), message="no key for workspace 4")
        self.desk.wait_until(lambda: "Desktop 4" in follower.lines, message="no title followed")
        self.assertLessEqual(set(follower.lines), {"Mail", "Web", "Desktop 4"}, follower.lines)
        follower.stop()
        key = keys[-1]
        app.stop()

        # A name of the user's own for workspace 4.
        app, conf = self.start_app({key: "Four"})
        self.title("Four")
        # A rename in labwc's configuration becomes the default.
        self.desk.reconfigure(names=["Mail", "News"])
        self.switch(2)
        self.title("News")
        # Workspace 4 goes and comes back: its name with it.
        self.desk.reconfigure(number=3)
        self.detected(app, 3)
        self.desk.reconfigure(number=4)
        self.detected(app, 4)  # labwc's reconfiguration and the switch would race
        self.switch(4)
        self.title("Four")
        # labwc restarts: "Desktop ?" meanwhile, then every name as before.
        self.desk.stop_sway()
        self.title("Desktop ?")
        display = self.desk.env["WAYLAND_DISPLAY"]
        self.desk.start_sway()
        self.assertEqual(self.desk.env["WAYLAND_DISPLAY"], display)
        self.title("Mail", timeout=30)
        self.switch(4)
        self.title("Four")
        self.assertEqual(stored_table(conf)[key][0], "Four")
        self.assertEqual(app.stop(), 0)


WAYBAR_CONFIG = {"layer": "top", "position": "top", "height": 26, "modules-left": ["custom/title"],
                 "modules-right": ["tray"], "tray": {"icon-size": 18, "spacing": 6},
                 "custom/title": {"return-type": "json",
                                  "exec": QUILLBAR + " --print-title --follow --json"}}
WAYBAR_STYLE = """* { font-family: monospace; font-size: 14px; }
window#waybar { background: #202830; color: #f0f0f0; }
#custom-title, #tray { padding: 0 10px; }
"""
# The right end of waybar's bar on labwc's 1280x720 output, where its tray shows.
TRAY = (1180, 0, 100, 26)


@unittest.skipUnless(shutil.which("labwc") and shutil.which("waybar") and shutil.which("grim"),
                     "labwc, waybar or grim is not installed")
class LabwcTrayTest(unittest.TestCase):
    def setUp(self):
        self.desk = LabwcDesktop(["Mail", "Web"])
        self.desk.start()
        self.addCleanup(self.desk.stop)
        config, style = self.desk.write_waybar(WAYBAR_CONFIG, WAYBAR_STYLE)
        self.desk.start_process([*AS_NOBODY, "waybar", "-c", config, "-s", style],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def colours(self, area):
        return len(set(self.desk.colours(area)))

    def test_icon_title_and_clicks_in_waybar(self):
        self.desk.wait_until(lambda: self.desk.busctl("status", WATCHER[0]), timeout=20,
                             message="waybar offers no tray")
        self.desk.wait_until(lambda: self.colours(TRAY) == 1, timeout=20,
                             message="no empty bar")
        self.desk.write_settings()
        app = App(self.desk, QUILLBAR, "--backend", "ext-workspace")
        self.addCleanup(lambda: app.proc.poll() is None and app.stop())
        app.wait_for_line("Backend ext-workspace chosen")
        self.desk.wait_until(self.desk.tray_items, timeout=20, message="no item registered")
        self.desk.wait_until(lambda: self.colours(TRAY) > 4, timeout=20,
                             message="no icon in the bar")
        first = self.desk.pixels(TRAY)
        self.desk.run([ACTIVATE, "Web"])
        self.desk.wait_title("Web")
        # waybar takes the new icon a moment after the change is announced.
        second = self.desk.wait_until(lambda: self.desk.pixels(TRAY) != first and
                                      self.desk.pixels(TRAY), timeout=20,
                                      message="the icon in the bar did not follow the switch")
        # Back and forth: the bar shows one icon or the other, never a third in between.
        seen = set()
        for name, picture in [("Mail", first), ("Web", second)] * 3:
            self.desk.run([ACTIVATE, name])
            shown = lambda: seen.add(self.desk.pixels(TRAY)) or self.desk.pixels(TRAY) == picture
            self.desk.wait_until(shown, timeout=20, message="the icon did not follow")
        self.assertLessEqual(seen, {first, second}, "another icon showed during a switch")
        self.desk.grim_shot("labwc-waybar", "-g", "0,0 1280x40")


def sway_offers_ext_workspace():
    if not shutil.which("sway"):
        return False
    version = subprocess.run(["sway", "--version"], capture_output=True, text=True).stdout
    match = re.search(r"(\d+)\.(\d+)", version)
    return bool(match) and (int(match.group(1)), int(match.group(2))) >= (1, 12)


@unittest.skipUnless(sway_offers_ext_workspace(), "sway 1.12 or newer is not installed")
class SwayExtWorkspaceTest(ExtWorkspaceCases, unittest.TestCase):

    def setUp(self):
        self.desk = SwayDesktop()
        self.desk.start()
        self.addCleanup(self.desk.stop)
        self.desk.env["QT_QPA_PLATFORM"] = "offscreen"

    def test_follows_switches_and_restarts_keeping_names(self):
        app, _ = self.start_app()
        self.title("Desktop 1")
        key = self.current_keys(app)[-1]
        self.desk.msg("workspace Mail")
        self.title("Mail")
        # No switch from Quillbar: a sway without windows keeps one workspace per output.
        app.stop()

        # A name of the user's own for workspace 1 outlives a restart of sway.
        app, conf = self.start_app({key: "One"})
        self.title("One")
        self.desk.stop_sway()
        self.title("Desktop ?")
        self.desk.start_sway()
        self.title("One", timeout=30)
        self.assertEqual(stored_table(conf)[key][0], "One")
        self.assertEqual(app.stop(), 0)


if __name__ == "__main__":
    unittest.main()
