# SPDX-License-Identifier: GPL-3.0-or-later
"""End to end: the real application on the ext-workspace backend (`--backend ext-workspace`), on
headless labwc and, where sway is 1.12 or newer, on sway.

On labwc one session serves the checks in the order a user meets them: detection, following a
switch made by another client, switching from Quillbar, a rename in rc.xml becoming the default
once labwc reconfigures, a user's name surviving its workspace going and coming back, and a
compositor restart keeping every name. Skipped where labwc is not installed (it is in the newer
Debian releases only). The application runs on Qt's offscreen platform, so that it outlives the
compositor it watches."""

import os
import re
import shutil
import signal
import subprocess
import unittest

from desktop import App, BUILD
from test_names_kept import stored_table, table_line
from tiling import NOBODY, SwayDesktop

QUILLBAR = os.path.abspath(os.environ.get("QUILLBAR", BUILD + "/src/app/quillbar"))
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
        runtime = self.env["XDG_RUNTIME_DIR"]
        env = {k: v for k, v in self.env.items() if k not in ("WAYLAND_DISPLAY", "SWAYSOCK")}
        self._sway = self.start_process(
            ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups",
             "labwc", "-C", os.path.join(self._home, "labwc")],
            env=env, start_new_session=True, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        sockets = lambda: [name for name in sorted(os.listdir(runtime))
                           if name.startswith("wayland-") and not name.endswith(".lock")]
        self.wait_until(lambda: self._alive(self._sway) and sockets(),
                        message="labwc did not start")
        self.env["WAYLAND_DISPLAY"] = sockets()[0]

    def reconfigure(self, names=None, number=None):
        """Rewrites rc.xml and makes labwc read it again (SIGHUP, as `labwc -r` does)."""
        self.write_rc(names, number)
        os.kill(self._sway.pid, signal.SIGHUP)


class ExtWorkspaceCases:
    """What the application must do on any compositor with the workspace protocol."""

    def start_app(self, table=None):
        conf = os.path.join(self.desk.env["XDG_CONFIG_HOME"], "quillbar", "quillbar.conf")
        os.makedirs(os.path.dirname(conf), exist_ok=True)
        with open(conf, "w") as out:
            out.write("[General]\nHasCompletedFirstRun.v1=true\n" +
                      (table_line(table) if table else ""))
        app = App(self.desk, QUILLBAR, "--backend", "ext-workspace")
        self.addCleanup(lambda: app.proc.poll() is None and app.stop())
        app.wait_for_line("Backend ext-workspace chosen")
        return app, conf

    def title(self, expected, timeout=20):
        return self.desk.wait_until(
            lambda: self.desk.run([QUILLBAR, "--print-title"], check=False) == expected + "\n",
            timeout=timeout, message=lambda: "the title is %r, not %r" % (
                self.desk.run([QUILLBAR, "--print-title"], check=False), expected))

    def switch(self, number):
        self.desk.run([QUILLBAR, "--debug-switch-to", str(number)])

    @staticmethod
    def current_keys(app):
        """The key of the current space in each of the application's detections so far."""
        return [m.group(1) for line in app.lines
                for m in [re.search(r"focused current ID: (\S+)", line)] if m]


@unittest.skipUnless(shutil.which("labwc"), "labwc is not installed")
class LabwcTest(ExtWorkspaceCases, unittest.TestCase):

    def setUp(self):
        self.desk = LabwcDesktop(["Mail", "Web"])
        self.desk.start()
        self.addCleanup(self.desk.stop)
        self.desk.env.update({"QT_QPA_PLATFORM": "offscreen",
                              "XDG_CONFIG_HOME": os.path.join(self.desk._home, "config")})

    def test_follows_switches_renames_and_restarts_keeping_names(self):
        app, conf = self.start_app()
        app.wait_for_line("Detected 4 spaces")
        self.title("Mail")
        # A switch made by another client (a pager), then one made from Quillbar.
        self.desk.run([ACTIVATE, "Web"])
        self.title("Web")
        self.switch(4)
        self.title("Desktop 4")  # labwc's "Workspace 4" only restates the position
        keys = self.desk.wait_until(lambda: len(set(self.current_keys(app))) >= 3 and
                                    self.current_keys(app), message="no key for workspace 4")
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
        app.wait_for_line("Detected 3 spaces")
        self.desk.reconfigure(number=4)
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
        self.desk.env.update({"QT_QPA_PLATFORM": "offscreen",
                              "XDG_CONFIG_HOME": os.path.join(self.desk._home, "config")})

    def test_follows_and_switches_workspaces(self):
        app, _ = self.start_app()
        self.desk.msg("workspace Mail")
        self.title("Mail")
        self.switch(1)
        self.title("Desktop 1")
        self.assertEqual(self.desk.focused(), "1")
        self.assertEqual(app.stop(), 0)


if __name__ == "__main__":
    unittest.main()
