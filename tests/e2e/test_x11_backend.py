"""End-to-end tests of the X11 backend: the real observer on Xvfb with openbox."""

import os
import time
import unittest

from desktop import Desktop
from driverclient import Driver

TEST_WINDOW = os.environ.get(
    "QUILLBAR_TEST_WINDOW",
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "build", "tests", "e2e",
                 "driver", "quillbar-test-window"))

# A refresh that follows an event arrives within milliseconds; the periodic one only every 5 s.
PROMPT = 1.5


def current(state):
    return state["current"]


def space_ids(state):
    return [space["persistenceID"] for space in state["spaces"]]


class DesktopTest(unittest.TestCase):
    window_manager = True

    def setUp(self):
        self.desk = Desktop(desktops=4, window_manager=self.window_manager)
        self.desk.start()
        self.addCleanup(self.desk.stop)

    def start_driver(self, *args):
        driver = Driver(self.desk, *args)
        # A clean exit also means no sanitizer report in sanitizer builds.
        self.addCleanup(lambda: self.assertEqual(driver.quit(), 0, "driver exit status"))
        driver.wait_for(lambda e: e["event"] == "ready")
        return driver

    def snapshot_on_failure(self, name):
        # Leaves a picture of the screen in the artifacts folder when the test fails.
        outcome = getattr(self, "_outcome", None)
        self.addCleanup(lambda: self._screenshot_if_failed(name, outcome))

    def _screenshot_if_failed(self, name, outcome):
        result = getattr(outcome, "result", None)
        failures = getattr(result, "failures", []) + getattr(result, "errors", [])
        if any(test is self for test, _ in failures):
            self.desk.screenshot(name)


class DetectionTest(DesktopTest):
    def test_detects_four_desktops_and_the_current_one(self):
        driver = self.start_driver()
        state = driver.wait_state(lambda s: len(s["spaces"]) == 4)
        self.assertEqual(space_ids(state), ["msid-1", "msid-2", "msid-3", "msid-4"])
        self.assertEqual(current(state), "msid-1")
        self.assertEqual(state["title"], "Desktop 1")
        # One display for the X screen, named after its RandR monitor.
        self.assertEqual(len(state["groups"]), 1)
        self.assertEqual(state["groups"][0]["name"], "screen")

        # Names and emoji show in the title.
        driver.send("name 1 Mail")
        driver.send("emoji 1 📬")
        driver.wait_state(lambda s: s["title"] == "📬 Mail")

    def test_display_identifier_is_stable_across_launches(self):
        first = self.start_driver()
        identifier = first.wait_state(lambda s: s["spaces"])["spaces"][0]["display"]
        self.assertRegex(identifier, r"^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$")
        self.assertEqual(first.quit(), 0)
        second = self.start_driver()
        self.assertEqual(second.wait_state(lambda s: s["spaces"])["spaces"][0]["display"],
                         identifier)

    def test_follows_wmctrl_switches_promptly(self):
        driver = self.start_driver()
        driver.wait_state(lambda s: current(s) == "msid-1")
        # Three in a row, each well inside the periodic refresh's 5 s: only events can do that.
        for desktop in (2, 4, 1):
            mark = driver.mark()
            asked = time.time()
            self.desk.wmctrl("-s", str(desktop - 1))
            title = driver.wait_for(lambda e: e["event"] == "title", since=mark, timeout=10)
            self.assertEqual(title["title"], "Desktop %d" % desktop)
            self.assertLess(title["t"] / 1e6 - asked, PROMPT)
            state = driver.wait_state(lambda s: current(s) == "msid-%d" % desktop, since=mark)
            self.assertEqual([s["current"] for s in state["spaces"]].count(True), 1)

    def test_more_desktops_grow_the_list(self):
        driver = self.start_driver()
        driver.wait_state(lambda s: len(s["spaces"]) == 4)
        self.desk.wmctrl("-n", "6")
        state = driver.wait_state(lambda s: len(s["spaces"]) == 6 and len(s["seeded"]) == 6)
        self.assertEqual(space_ids(state)[-2:], ["msid-5", "msid-6"])
        self.desk.wmctrl("-n", "3")
        state = driver.wait_state(lambda s: len(s["spaces"]) == 3 and len(s["seeded"]) == 3)
        self.assertEqual(sorted(state["seeded"]), ["msid-1", "msid-2", "msid-3"])
        self.desk.wait_until(lambda: len(self.desk.windows_of_class("quillbar-anchor")) == 3,
                             message="anchors of removed desktops were not closed")


class AnchorTest(DesktopTest):
    def test_anchors_are_seeded_on_every_desktop(self):
        self.snapshot_on_failure("anchors-seeded")
        driver = self.start_driver()
        state = driver.wait_state(lambda s: len(s["seeded"]) == 4)
        self.assertEqual(sorted(state["seeded"]), ["msid-1", "msid-2", "msid-3", "msid-4"])
        anchors = self.desk.windows_of_class("quillbar-anchor")
        self.assertEqual(len(anchors), 4)
        self.assertEqual(sorted(self.desk.window_desktop(w) for w in anchors), [0, 1, 2, 3])
        # Placing anchors on hidden desktops does not show those desktops.
        self.assertEqual(self.desk.current_desktop(), 0)
        # Out of the taskbar and pager, undecorated.
        props = self.desk.xprop("-id", str(anchors[0]))
        self.assertIn("_NET_WM_STATE_SKIP_TASKBAR", props)
        self.assertIn("_NET_WM_STATE_SKIP_PAGER", props)
        self.assertIn("_MOTIF_WM_HINTS", props)
        geometry = self.desk.xdotool("getwindowgeometry", str(anchors[0]))
        self.assertIn("Geometry: 2x2", geometry)
        self.assertIn("Position: 40,40", geometry)

    def test_an_anchor_moved_away_is_replaced(self):
        driver = self.start_driver()
        driver.wait_state(lambda s: len(s["seeded"]) == 4)
        anchor = next(w for w in self.desk.windows_of_class("quillbar-anchor")
                      if self.desk.window_desktop(w) == 2)
        self.desk.wmctrl("-i", "-r", str(anchor), "-t", "0")
        self.desk.wait_until(lambda: self.desk.window_desktop(anchor) == 0)
        # Two refreshes that both see it elsewhere close it; the second seeds a new one.
        mark = driver.mark()
        driver.send("refresh")
        driver.send("refresh")
        driver.wait_log("Anchor for msid-3 drifted to [1]; closing", since=mark)
        driver.wait_log("Anchor seeded for msid-3", since=mark)
        anchors = self.desk.windows_of_class("quillbar-anchor")
        self.assertNotIn(anchor, anchors)
        self.assertEqual(sorted(self.desk.window_desktop(w) for w in anchors), [0, 1, 2, 3])

    def test_switch_by_anchor_lands(self):
        self.snapshot_on_failure("anchor-switch")
        driver = self.start_driver()
        driver.wait_state(lambda s: len(s["seeded"]) == 4)
        mark = driver.mark()
        self.assertTrue(driver.send("switch 3"))
        driver.wait_log("Anchor switch to msid-3", since=mark)
        driver.wait_state(lambda s: current(s) == "msid-3", since=mark)
        self.assertEqual(self.desk.current_desktop(), 2)
        driver.wait_log("Anchor switch landed", since=mark)
        self.assertNotIn("Anchor switch did NOT land", driver.logs())

    def test_desktop_without_anchor_is_reached_by_keystrokes(self):
        self.snapshot_on_failure("keystroke-switch")
        driver = self.start_driver("--refuse-placement", "3")
        state = driver.wait_state(lambda s: len(s["seeded"]) == 3)
        self.assertNotIn("msid-3", state["seeded"])
        self.assertIn("Anchor placement failed for msid-3", driver.logs())
        mark = driver.mark()
        driver.send("switch 3")
        driver.wait_log("Keystroke switch: 2 hops", since=mark)
        driver.wait_state(lambda s: current(s) == "msid-3", since=mark)
        self.assertEqual(self.desk.current_desktop(), 2)
        # Seen once, the desktop gets its anchor the ordinary way.
        driver.wait_state(lambda s: "msid-3" in s["seeded"], since=mark)
        # And back to the left.
        mark = driver.mark()
        self.desk.wmctrl("-s", "3")
        driver.wait_state(lambda s: current(s) == "msid-4", since=mark)
        mark = driver.mark()
        driver.send("switch 4")  # already there: nothing happens
        driver.send("switch 1")
        driver.wait_log("Anchor switch to msid-1", since=mark)
        driver.wait_state(lambda s: current(s) == "msid-1", since=mark)

    def test_focus_goes_to_an_application_window_after_an_anchor_switch(self):
        self.snapshot_on_failure("focus-after-switch")
        driver = self.start_driver()
        driver.wait_state(lambda s: len(s["seeded"]) == 4)
        # A window of another application on desktop 2, not shown yet.
        window_proc = self.desk.start_process([TEST_WINDOW, "quillbar-focus-test", "1"])
        window = self.desk.wait_until(
            lambda: (self.desk.windows_of_class("quillbar-focus-test") or [None])[0],
            message="test window did not appear")
        self.desk.wait_until(lambda: self.desk.window_desktop(window) == 1)
        self.assertEqual(self.desk.current_desktop(), 0)
        mark = driver.mark()
        driver.send("switch 2")
        driver.wait_log("Anchor switch landed", since=mark)
        self.desk.wait_until(lambda: self.desk.active_window() == window,
                             message="focus stayed on the anchor")
        self.assertIsNone(window_proc.poll())


class WindowManagerChangeTest(DesktopTest):
    def test_keeps_following_after_openbox_is_replaced(self):
        self.snapshot_on_failure("openbox-replaced")
        driver = self.start_driver()
        driver.wait_state(lambda s: len(s["seeded"]) == 4)
        self.desk.replace_window_manager()
        mark = driver.mark()
        self.desk.wmctrl("-s", "3")
        driver.wait_state(lambda s: current(s) == "msid-4" and s["title"] == "Desktop 4",
                          since=mark)
        # The anchors survived the new window manager and still bring their desktops back.
        mark = driver.mark()
        driver.send("switch 2")
        driver.wait_log("Anchor switch landed", since=mark)
        self.assertEqual(self.desk.current_desktop(), 1)


class NoWindowManagerTest(DesktopTest):
    window_manager = False

    def test_without_a_window_manager_the_title_falls_back(self):
        driver = self.start_driver()
        state = driver.wait_state(lambda s: True)
        self.assertEqual(state["title"], "Desktop ?")
        self.assertEqual(state["spaces"], [])
        self.assertTrue(driver.send("refresh"))
        self.assertTrue(driver.send("switch 1") is False)  # nothing to switch to
        self.assertEqual(self.desk.windows_of_class("quillbar-anchor"), [])
        # A window manager that comes later is picked up without a restart.
        mark = driver.mark()
        self.desk.start_window_manager()
        driver.wait_state(lambda s: s["title"] == "Desktop 1" and len(s["seeded"]) == 4,
                          since=mark)
        self.assertIsNone(driver.proc.poll())


if __name__ == "__main__":
    unittest.main()
