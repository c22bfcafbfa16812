# SPDX-License-Identifier: GPL-3.0-or-later
"""The observer on the X11 backend through the driver (JSON lines); which backend the app picks."""

import json
import os
import subprocess
import threading
import time
import unittest

from desktop import BUILD, QUILLBAR, App, DesktopTest

DRIVER = os.environ.get("QUILLBAR_DRIVER", BUILD + "/tests/e2e/driver/quillbar-driver")
# A refresh that follows an event arrives within milliseconds; the periodic one only every 5 s.
PROMPT = 1.5


class Driver:
    """The driver and its reports so far; with a test, its clean exit is checked at the end."""

    def __init__(self, desk, *args, test=None):
        self.desk, self.events = desk, []
        self.proc = desk.start_process([DRIVER, *args], stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, text=True, bufsize=1)
        threading.Thread(target=self._read, daemon=True).start()
        if test:
            test.addCleanup(lambda: test.assertEqual(self.quit(), 0, "driver exit status"))
        self.wait_for("ready")

    def _read(self):
        for line in self.proc.stdout:
            self.events.append(json.loads(line))

    def wait_for(self, kind, test=lambda event: True, since=0):
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
        """Sends one command; whether the driver could carry it out."""
        mark = len(self.events)
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        return self.wait_for("ack", lambda event: event["command"] == command, mark)["ok"]

    def send_together(self, *commands):
        """Sends the commands in one write (one turn of the driver); waits for each."""
        mark = len(self.events)
        self.proc.stdin.write("".join(c + "\n" for c in commands))
        self.proc.stdin.flush()
        for command in commands:
            self.wait_for("ack", lambda event, c=command: event["command"] == c, mark)

    def switch(self, desktop):
        """Asks until a switch starts (one in flight holds the next back)."""
        def started():
            mark = len(self.events)
            self.send("switch %d" % desktop)
            return not any(e["event"] == "log" and "Switch ignored" in e["message"]
                           for e in self.events[mark:])

        self.desk.wait_until(started, message="the switch never started")

    def quit(self):
        self.proc.stdin.write("quit\n")
        self.proc.stdin.flush()
        self.proc.wait(timeout=20)
        self.desk.stop_process(self.proc)
        return self.proc.returncode


STUB_WM = os.environ.get("QUILLBAR_STUB_WM", BUILD + "/tests/e2e/driver/quillbar-stub-wm")
# What only the anchor and keystroke paths log, and the permission words of other platforms.
NEVER_ON_X11 = ("Anchor", "Keystroke", "AXIsProcessTrusted", "Accessibility", "XTEST")


def messages(driver, since=0):
    return [e["message"] for e in driver.events[since:] if e["event"] == "log"]


class X11BackendTest(DesktopTest):
    window_manager = False  # one starts during the test
    desktops = 6

    def test_follows_and_switches_desktops_of_a_real_window_manager(self):
        driver = Driver(self.desk, test=self)

        # Without a window manager: the title falls back, nothing to switch to.
        state = driver.wait_state(lambda s: True)
        self.assertEqual((state["title"], state["spaces"]), ("Desktop ?", []))
        self.assertFalse(driver.send("switch 1"))

        # One that starts later is picked up: six desktops, the first current.
        self.desk.start_window_manager()
        state = driver.wait_state(lambda s: len(s["spaces"]) == 6)
        self.assertEqual(state["spaces"], ["msid-%d" % n for n in range(1, 7)])
        self.assertEqual((state["current"], state["title"]), ("msid-1", "Desktop 1"))
        self.assertEqual(state["groups"], ["screen"])  # one display, named after its monitor
        self.assertEqual(state["seeded"], [])

        driver.send("name 1 Mail")
        driver.send("emoji 1 📬")
        driver.wait_state(lambda s: s["title"] == "📬 Mail")

        # A replaced window manager is followed.
        self.desk.replace_window_manager()
        mark = len(driver.events)

        def switched_to_4():
            self.desk.wmctrl("-s", "3")
            return self.desk.current_desktop() == 3

        self.desk.wait_until(switched_to_4, message="the new window manager never switched")
        driver.wait_state(lambda s: (s["current"], s["title"]) == ("msid-4", "Desktop 4"), mark)

        # Straight to 6, never visited, passing no other; back to 1 asked right after landing.
        for desktop, was in ((6, "msid-4"), (1, "msid-6")):
            mark = len(driver.events)
            if desktop == 6:
                driver.switch(desktop)
            else:
                driver.send("switch 1")
            driver.wait_log("Direct switch to msid-%d" % desktop, mark)
            driver.wait_log("Direct switch landed", mark)
            self.assertEqual(self.desk.current_desktop(), desktop - 1)
            seen = {e["current"] for e in driver.events[mark:] if e["event"] == "state"}
            self.assertLessEqual(seen, {was, "msid-%d" % desktop})
        self.assertEqual(self.desk.windows_of_class("quillbar-anchor"), [])
        logged = messages(driver)
        self.assertEqual([m for m in logged if any(w in m for w in NEVER_ON_X11)], [])
        self.assertNotIn("Direct switch did NOT land", logged)
        self.assertNotIn("Switch ignored: previous switch still in flight", logged)

        # wmctrl switches, followed well inside the periodic refresh: only events can.
        for desktop, title in ((2, "Desktop 2"), (4, "Desktop 4"), (1, "📬 Mail")):
            mark, asked = len(driver.events), time.time()
            self.desk.wmctrl("-s", str(desktop - 1))
            published = driver.wait_for("title", since=mark)
            self.assertEqual(published["title"], title)
            self.assertLess(published["t"] / 1e6 - asked, PROMPT)
            driver.wait_state(lambda s: s["current"] == "msid-%d" % desktop, mark)

        # A burst of switches ends on its last desktop.
        mark = len(driver.events)
        hops = [arg for n in range(120) for arg in ("set_desktop", str(n % 2))]
        self.desk.xdotool(*hops, "set_desktop", "2")
        driver.wait_state(lambda s: s["current"] == "msid-3", mark)
        self.assertEqual(self.desk.current_desktop(), 2)

        # Fewer desktops shorten the list.
        mark = len(driver.events)
        self.desk.wmctrl("-n", "3")
        driver.wait_state(lambda s: s["spaces"] == ["msid-1", "msid-2", "msid-3"], mark)

        # A window manager killed outright leaves its root properties: they go with its check
        # window, well inside the periodic refresh.
        mark, asked = len(driver.events), time.time()
        self.desk.kill_window_manager()
        published = driver.wait_for("title", lambda e: e["title"] == "Desktop ?", mark)
        self.assertLess(published["t"] / 1e6 - asked, PROMPT)
        self.assertEqual(self.desk.prop("_NET_NUMBER_OF_DESKTOPS"), 3)


class NamedDesktopsTest(DesktopTest):
    """openbox's own desktop names are the defaults; its "desktop N" placeholders are not."""

    names = ["Mail", "", "Web ✉"]

    def test_window_manager_names_are_the_defaults(self):
        driver = Driver(self.desk, test=self)
        driver.wait_for("title", lambda e: e["title"] == "Mail")
        for desktop, title in ((2, "Desktop 2"), (4, "Desktop 4"), (3, "Web ✉")):
            mark = len(driver.events)
            self.desk.wmctrl("-s", str(desktop - 1))
            driver.wait_for("title", lambda e: e["title"] == title, mark)
        # A name changed later through the window manager is followed.
        self.desk.run(["xprop", "-root", "-f", "_NET_DESKTOP_NAMES", "8u", "-set",
                       "_NET_DESKTOP_NAMES", "Post"])
        mark = len(driver.events)
        self.desk.wmctrl("-s", "0")
        driver.wait_for("title", lambda e: e["title"] == "Post", mark)


class SharedNamesTest(DesktopTest):
    names = ["Mail", "", "Web"]

    def desktop_names(self):
        # wmctrl -d: "0  * DG: WxH  VP: X,Y  WA: X,Y WxH  NAME"
        lines = self.desk.wmctrl("-d").splitlines()
        return [(line.split(None, 9) + [""])[9] for line in lines]

    def wait_names(self, expected):
        self.desk.wait_value(self.desktop_names, expected)

    def test_names_go_into_the_desktop_and_come_back(self):
        originals = self.desktop_names()
        self.desk.write_settings({"msid-1": ("Post", "📬"), "msid-2": "Code"},
                                 "UseNamesInDesktop.v1=true\n")
        app = App(self.desk)
        self.wait_names(["📬 Post", "Code"] + originals[2:])
        # The names from before stay the defaults: desktop 3 is still "Web" to Quillbar.
        self.desk.wmctrl("-s", "2")
        self.desk.wait_title("Web")

        # Renamed with the desktop's own tools: Quillbar takes it, emoji and all.
        self.desk.set_desktop_names(["📬 Post", "🎵 Music"] + originals[2:])
        self.desk.wmctrl("-s", "1")
        self.desk.wait_title("🎵 Music")
        self.desk.wait_stored("msid-2", ("Music", "🎵"))

        app = app.sharing(self.desk.conf_path(), False)
        self.wait_names(originals)
        app = app.sharing(self.desk.conf_path(), True)
        shared = ["📬 Post", "🎵 Music"] + originals[2:]
        self.wait_names(shared)
        self.assertEqual(app.stop(), 0)
        self.assertEqual(self.desktop_names(), shared, "doubled or changed by a restart")


class StubWindowManagerTest(DesktopTest):
    window_manager = False
    desktops = 64  # a refresh that waited 250 ms per hidden desktop would take 16 s

    def test_an_ignored_switch_is_logged_and_quitting_stays_prompt(self):
        self.desk.start_process([STUB_WM, str(self.desktops)])
        self.desk.wait_until(lambda: self.desk.prop("_NET_NUMBER_OF_DESKTOPS") == self.desktops,
                             message="the stub did not set its properties")
        driver = Driver(self.desk)
        driver.wait_state(lambda s: len(s["spaces"]) == self.desktops and s["current"] == "msid-1")
        # Ignored requests end at the bound; one made meanwhile goes then.
        mark = len(driver.events)
        driver.send_together("switch 7", "switch 9")
        driver.wait_log("Direct switch to msid-9", mark)
        driver.wait_log("Direct switch did NOT land", len(driver.events))
        self.assertEqual(messages(driver, mark),
                         ["Direct switch to msid-7",
                          "Switch to msid-9 queued behind the one in flight",
                          "Direct switch did NOT land", "Direct switch to msid-9",
                          "Direct switch did NOT land"])
        self.assertEqual(self.desk.current_desktop(), 0)
        self.assertEqual(self.desk.windows_of_class("quillbar-anchor"), [])
        # SIGTERM and quit are answered at once: no refresh waits on the window manager.
        quillbar = App(self.desk, QUILLBAR)
        quillbar.wait_for_line("Detected 64 spaces")
        for how, stop in (("SIGTERM", quillbar.stop), ("quit", driver.quit)):
            asked = time.monotonic()
            self.assertEqual(stop(), 0, how)
            took = time.monotonic() - asked
            # Generous against a busy machine: the whole exit is timed, not just the answer.
            self.assertLess(took, 2.0, "%s took %.3f s" % (how, took))


class BackendChoiceTest(DesktopTest):
    def run_quillbar(self, *args, env=None):
        return subprocess.run([QUILLBAR, *args], env=env, capture_output=True, text=True,
                              timeout=30)

    def test_without_a_tray_no_display_or_a_dead_one_ends_with_an_explanation(self):
        base = {k: v for k, v in self.desk.env.items() if k != "QT_QPA_PLATFORM"}
        dead = "quillbar: The display does not answer ("
        for name, env, parts in (
                ("no display", {k: v for k, v in base.items() if k != "DISPLAY"},
                 ["No supported desktop found. Quillbar supports: ",
                  "x11: no X display (DISPLAY is not set)",
                  "kwin: no KWin desktop manager on the session bus"]),
                ("a compositor Quillbar does not know", dict(
                    base, WAYLAND_DISPLAY="wayland-unknown", QT_QPA_PLATFORM="offscreen"),
                 ["x11: a Wayland session (WAYLAND_DISPLAY=wayland-unknown)"]),
                ("an X display gone", dict(base, DISPLAY=":97"), [dead]),
                ("a Wayland display gone", dict(base, DISPLAY="", WAYLAND_DISPLAY="wayland-stale"),
                 [dead])):
            with self.subTest(name):
                done = self.run_quillbar(env=env)
                self.assertEqual(done.returncode, 1, done.stderr)
                for part in parts:
                    self.assertIn(part, done.stderr)
                self.assertNotIn("Reinstalling", done.stderr)  # Qt's abort

    def test_with_a_tray_an_absent_backend_asked_for_ends_and_none_supported_shows_a_mark(self):
        self.desk.start_tray()
        done = self.run_quillbar("--backend", "kwin", env=self.desk.env)
        self.assertEqual(done.returncode, 1)
        self.assertIn("kwin: no KWin desktop manager on the session bus", done.stderr)
        self.assertEqual(self.desk.icons(), [])
        # Nothing supported: a question mark in the tray, and it stays.
        env = dict(self.desk.env, WAYLAND_DISPLAY="wayland-unknown")
        app = self.desk.start_process([QUILLBAR], env=env, stderr=subprocess.PIPE, text=True)
        self.desk.wait_for_icons(1)
        self.assertIsNone(app.poll())
        app.terminate()
        app.wait(timeout=10)
        said = app.stderr.read()
        self.desk.stop_process(app)
        self.assertEqual(app.returncode, 0)
        self.assertIn("No supported desktop found", said)


if __name__ == "__main__":
    unittest.main()
