# SPDX-License-Identifier: GPL-3.0-or-later
"""The sway/i3 backend through the driver and the application, on sway and i3 (two outputs)."""

import os
import unittest

from desktop import QUILLBAR, App
from test_x11_backend import Driver, messages
from tiling import I3Desktop, SwayDesktop

# A workspace name that would run a command if a switch to it were not quoted.
HOSTILE = 'x"; exec touch {}; "'


class TilingCases:
    @classmethod
    def setUpClass(cls):
        cls.desk = cls.desktop()
        cls.desk.start()
        cls.addClassCleanup(cls.desk.stop)
        cls.desk.env["QUILLBAR_DRIVER_BACKEND"] = "i3ipc"

    def setUp(self):
        self.driver = Driver(self.desk)
        self.addCleanup(self.driver.quit)
        self.desk.msg("focus output " + self.outputs[0])
        self.desk.msg("workspace number 1")
        self.mark = 0

    def msg(self, command):
        """A window manager command; later waits look only at what follows it."""
        self.mark = len(self.driver.events)
        self.desk.msg(command)

    def send(self, command):
        self.mark = len(self.driver.events)
        return self.driver.send(command)

    def state(self, test):
        return self.driver.wait_state(test, self.mark)

    def title(self, title):
        return self.state(lambda s: s["title"] == title)

    def test_the_application_chooses_this_backend_and_its_rename_window_floats(self):
        app = App(self.desk, QUILLBAR)
        app.wait_for_line("Backend %s chosen" % self.backend)
        app.wait_for_line("Detected 2 spaces")
        # The first launch opens the rename window; asked for on the other output, it comes
        # there: floating on both.
        for output in self.outputs:
            if output != self.outputs[0]:
                self.desk.msg("focus output " + output)
                self.desk.run([QUILLBAR, "--debug-settings"])
            workspace = self.desk.focused()
            window = self.desk.wait_until(
                lambda: (lambda w: w if w and w["workspace"] == workspace else None)(
                    self.desk.rename_window_node()),
                timeout=20, message=lambda: "no rename window: " + self.desk.msg("-t", "get_tree"))
            self.assertTrue(window["floating"], output)
        self.assertEqual(app.stop(), 0)

    def workspace_names(self):
        return {w["num"]: w["name"] for w in self.desk.workspaces() if w["num"] in (1, 2)}

    def wait_names(self, first, second):
        self.desk.wait_value(self.workspace_names, {1: first, 2: second})

    def test_writes_its_names_into_the_workspaces_and_gives_the_old_ones_back(self):
        self.desk.msg("focus output " + self.outputs[1])
        self.desk.msg("workspace number 2")
        self.wait_names("1", "2")
        conf = self.desk.write_settings({"ws-1": ("Mail", "📬"), "ws-2": ("Web", "🌐")},
                                        "UseNamesInDesktop.v1=true\n")
        app = App(self.desk, QUILLBAR)
        self.wait_names("1: 📬 Mail", "2: 🌐 Web")
        # The number stays in front: "workspace number 1" still reaches the workspace.
        self.desk.msg("workspace number 1")
        self.assertEqual(self.desk.focused(), "1: 📬 Mail")

        # Started again, it writes nothing twice; a rename in the window manager is the user's.
        app = app.sharing(conf, True)
        app.wait_for_line("Detected ")
        self.desk.msg('rename workspace "2: 🌐 Web" to "2: Web"')
        self.desk.wait_stored("ws-2", ("Web", ""))
        self.assertEqual(self.workspace_names(), {1: "1: 📬 Mail", 2: "2: Web"})
        app = app.sharing(conf, False)
        self.wait_names("1", "2")
        app = app.sharing(conf, True)
        self.wait_names("1: 📬 Mail", "2: Web")
        self.assertEqual(app.stop(), 0)

    def test_follows_workspaces_and_keeps_names_of_empty_ones(self):
        state = self.state(lambda s: len(s["groups"]) == 2 and s["current"] == "ws-1")
        self.assertEqual((state["spaces"], state["shown"]), (["ws-1", "ws-2"], ["ws-1", "ws-2"]))
        self.msg("workspace number 3")
        state = self.state(lambda s: s["current"] == "ws-3")
        self.assertEqual(state["spaces"], ["ws-3", "ws-2"])  # the empty workspace 1 is gone
        self.assertTrue(self.send("name 3 Mail"))
        self.title("Mail")
        self.msg("focus output " + self.outputs[1])
        self.title("Desktop 2")
        self.msg("focus output " + self.outputs[0])
        self.title("Mail")
        self.msg("workspace number 1")
        self.state(lambda s: s["current"] == "ws-1" and "ws-3" not in s["spaces"])
        self.msg("workspace number 3")
        self.title("Mail")
        self.msg('rename workspace "3" to "3: chat"')
        self.msg("workspace number 2")
        self.assertTrue(self.send("name 3 "))  # back to the window manager's name
        # Two switches in a frame may make one refresh: wait for the title after the name went.
        self.desk.msg("focus output " + self.outputs[0])
        self.title("chat")

    def test_switches_across_outputs_and_quotes_names(self):
        pwned = os.path.join(self.desk.env["HOME"], "pwned")
        hostile = HOSTILE.format(pwned)
        self.state(lambda s: s["current"] == "ws-1")
        # The hostile workspace is shown on the right output, so it stays while empty.
        self.msg("focus output " + self.outputs[1])
        self.msg("workspace " + self.quoted(hostile))
        self.msg("focus output " + self.outputs[0])
        self.state(lambda s: s["current"] == "ws-1" and hostile in s["shown"])
        self.assertTrue(self.send("switch-key " + hostile))
        self.state(lambda s: s["current"] == hostile)
        self.assertEqual(self.desk.focused(), hostile)
        # Asked once, right after the landing; then a third while a second is in flight.
        self.driver.wait_log("Direct switch landed", self.mark)
        self.assertTrue(self.send("switch 1"))
        self.state(lambda s: s["current"] == "ws-1")
        self.mark = len(self.driver.events)
        self.driver.send_together("switch-key " + hostile, "switch 1")
        self.driver.wait_log("Direct switch to ws-1", self.mark)
        self.desk.wait_until(lambda: self.desk.focused() == "1", message="ws-1 never came back")
        self.assertEqual([m for m in messages(self.driver, self.mark) if "switch" in m.lower()][:3],
                         ["Direct switch to " + hostile,
                          "Switch to ws-1 queued behind the one in flight", "Direct switch landed"])
        self.assertNotIn("Switch ignored: previous switch still in flight", messages(self.driver))
        self.assertFalse(os.path.exists(pwned))

    def test_survives_the_window_manager_going_away(self):
        self.state(lambda s: s["current"] == "ws-1")
        self.assertTrue(self.send("name 1 Home"))
        self.title("Home")
        self.mark = len(self.driver.events)
        self.restart()
        self.driver.wait_for("title", lambda e: e["title"] == "Home", self.mark)


class SwayTest(TilingCases, unittest.TestCase):
    outputs, backend = ("HEADLESS-1", "HEADLESS-2"), "sway"

    @staticmethod
    def desktop():
        return SwayDesktop(bar=True)

    @staticmethod
    def quoted(name):
        return "'%s'" % name  # sway keeps backslashes: quote with the other quote

    def restart(self):
        mark = len(self.driver.events)
        self.desk.stop_sway()
        self.driver.wait_for("title", lambda e: e["title"] == "Desktop ?", mark)
        self.desk.start_sway()


class I3Test(TilingCases, unittest.TestCase):
    desktop, outputs, backend = I3Desktop, ("fake-0", "fake-1"), "i3"

    @staticmethod
    def quoted(name):
        return '"%s"' % name.replace('"', '\\"')

    def restart(self):
        self.desk.msg("restart", check=False)  # answers only once the new i3 runs


if __name__ == "__main__":
    unittest.main()
