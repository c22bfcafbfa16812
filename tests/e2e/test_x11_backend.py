"""End to end: the real observer on the X11 backend, on Xvfb with openbox, through the driver
(driver/DriverSession.h), which reports what the observer publishes and logs as JSON lines."""

import json
import os
import subprocess
import threading
import time
import unittest

from desktop import BUILD, DesktopTest

DRIVER = os.environ.get("QUILLBAR_DRIVER", BUILD + "/tests/e2e/driver/quillbar-driver")
TEST_WINDOW = os.environ.get("QUILLBAR_TEST_WINDOW",
                             BUILD + "/tests/e2e/driver/quillbar-test-window")
# A refresh that follows an event arrives within milliseconds; the periodic one only every 5 s.
PROMPT = 1.5


class Driver:
    """The driver process and everything it has reported so far."""

    def __init__(self, desk, *args):
        self.desk, self.events = desk, []
        self.proc = desk.start_process([DRIVER, *args], stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, text=True, bufsize=1)
        threading.Thread(target=self._read, daemon=True).start()
        self.wait_for("ready")

    def _read(self):
        for line in self.proc.stdout:
            self.events.append(json.loads(line))

    def wait_for(self, kind, test=lambda event: True, since=0):
        """The first event of that kind at or after since that passes test."""
        def found():
            if self.proc.poll() is not None:
                raise RuntimeError("the driver exited with %s" % self.proc.returncode)
            return next((e for e in self.events[since:] if e["event"] == kind and test(e)), None)

        return self.desk.wait_until(found, timeout=15, message=lambda: "no such %s; last: %s" % (
            kind, "\n".join(map(str, self.events[-25:]))))

    def wait_state(self, test, since=0):
        return self.wait_for("state", test, since)

    def wait_log(self, text, since=0):
        return self.wait_for("log", lambda event: text in event["message"], since)

    def send(self, command):
        """Sends one command; returns whether the driver could carry it out."""
        mark = len(self.events)
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        return self.wait_for("ack", lambda event: event["command"] == command, mark)["ok"]

    def switch(self, desktop):
        """Asks for the desktop until a switch starts (one in flight holds the next back)."""
        def started():
            mark = len(self.events)
            self.send("switch %d" % desktop)
            return not any(e["event"] == "log" and "Switch ignored" in e["message"]
                           for e in self.events[mark:])

        self.desk.wait_until(started, message="the switch never started")

    def quit(self):
        """Asks the driver to leave and returns its exit status."""
        self.proc.stdin.write("quit\n")
        self.proc.stdin.flush()
        self.proc.wait(timeout=20)
        self.desk.stop_process(self.proc)
        return self.proc.returncode


class X11BackendTest(DesktopTest):
    window_manager = False  # one starts during the test

    def test_follows_and_switches_desktops_of_a_real_window_manager(self):
        # Desktop 3 never gets an anchor placed for it: only keystrokes reach it at first.
        driver = Driver(self.desk, "3")
        # A clean exit also means no sanitizer report in sanitizer builds.
        self.addCleanup(lambda: self.assertEqual(driver.quit(), 0, "driver exit status"))

        # Without a window manager: the title falls back, nothing to switch to, nothing crashes.
        state = driver.wait_state(lambda s: True)
        self.assertEqual((state["title"], state["spaces"]), ("Desktop ?", []))
        self.assertFalse(driver.send("switch 1"))
        self.assertEqual(self.desk.windows_of_class("quillbar-anchor"), [])

        # One that starts later is picked up: four desktops, the first current, anchors placed on
        # the hidden ones (except the refused one) without showing them.
        self.desk.start_window_manager()
        state = driver.wait_state(lambda s: len(s["seeded"]) == 3)
        self.assertEqual(state["spaces"], ["msid-1", "msid-2", "msid-3", "msid-4"])
        self.assertEqual((state["current"], state["title"]), ("msid-1", "Desktop 1"))
        self.assertEqual(state["groups"], ["screen"])  # one display, named after its monitor
        self.assertNotIn("msid-3", state["seeded"])
        self.assertEqual(self.desk.current_desktop(), 0)
        driver.wait_log("Anchor placement failed for msid-3")

        driver.send("name 1 Mail")
        driver.send("emoji 1 📬")
        driver.wait_state(lambda s: s["title"] == "📬 Mail")

        # A replaced window manager is followed; the refused desktop still has no anchor.
        self.desk.replace_window_manager()
        mark = len(driver.events)
        self.desk.wmctrl("-s", "3")
        driver.wait_state(lambda s: (s["current"], s["title"]) == ("msid-4", "Desktop 4"), mark)

        # Keystrokes reach the desktop without an anchor; once seen, it gets one.
        mark = len(driver.events)
        driver.switch(3)
        driver.wait_log("Keystroke switch: -1 hops", mark)
        driver.wait_state(lambda s: s["current"] == "msid-3" and "msid-3" in s["seeded"], mark)
        self.assertEqual(self.desk.current_desktop(), 2)
        anchors = self.desk.windows_of_class("quillbar-anchor")
        self.assertEqual(sorted(map(self.desk.window_desktop, anchors)), [0, 1, 2, 3])
        self.assertIn("SKIP_TASKBAR", self.desk.run(["xprop", "-id", str(anchors[0])]))
        self.assertEqual(self.desk.geometry(anchors[0]), (40, 40, 2, 2))

        # Three wmctrl switches, each followed well inside the periodic refresh: only events can.
        for desktop, title in ((2, "Desktop 2"), (4, "Desktop 4"), (1, "📬 Mail")):
            mark, asked = len(driver.events), time.time()
            self.desk.wmctrl("-s", str(desktop - 1))
            published = driver.wait_for("title", since=mark)
            self.assertEqual(published["title"], title)
            self.assertLess(published["t"] / 1e6 - asked, PROMPT)
            driver.wait_state(lambda s: s["current"] == "msid-%d" % desktop, mark)

        # Under the new window manager too, an anchor switch lands and hands the focus to another
        # application's window there.
        self.desk.start_process([TEST_WINDOW, "1"])
        window = self.desk.wait_until(lambda: self.desk.windows_of_class("quillbar-focus-test"))[0]
        self.desk.wait_until(lambda: self.desk.window_desktop(window) == 1)
        mark = len(driver.events)
        driver.switch(2)
        driver.wait_log("Anchor switch to msid-2", mark)
        driver.wait_log("Anchor switch landed", mark)
        self.assertEqual(self.desk.current_desktop(), 1)
        self.desk.wait_until(lambda: self.desk.active_window() == window,
                             message="the focus stayed on the anchor")
        self.assertNotIn("Anchor switch did NOT land", [e.get("message") for e in driver.events])

        # More desktops grow the list and get anchors; fewer close the anchors of the rest.
        self.desk.wmctrl("-n", "6")
        state = driver.wait_state(lambda s: len(s["spaces"]) == 6 and len(s["seeded"]) == 6)
        self.assertEqual(state["spaces"][-2:], ["msid-5", "msid-6"])
        self.desk.wmctrl("-n", "3")
        driver.wait_state(lambda s: sorted(s["seeded"]) == ["msid-1", "msid-2", "msid-3"])
        self.desk.wait_until(lambda: len(self.desk.windows_of_class("quillbar-anchor")) == 3,
                             message="the anchors of removed desktops stayed")


if __name__ == "__main__":
    unittest.main()
