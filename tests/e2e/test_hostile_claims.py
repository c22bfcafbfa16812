# SPDX-License-Identifier: GPL-3.0-or-later
"""Desktop counts any X client writes, and debug requests during start-up, stay bounded work."""

import os
import subprocess
import time
import unittest

from desktop import QUILLBAR, App, DesktopTest, resident_kb

# Resident memory Quillbar may reach with the most desktops it reads (it runs in about 60 MB).
MEMORY_LIMIT_KB = 250 * 1024


class DesktopCountTest(DesktopTest):
    def claim_desktops(self, count):
        self.desk.run(["xprop", "-root", "-f", "_NET_NUMBER_OF_DESKTOPS", "32c", "-set",
                       "_NET_NUMBER_OF_DESKTOPS", str(count)])

    def test_huge_desktop_counts_are_read_as_256_and_followed_and_quit_stays_prompt(self):
        self.desk.write_settings()
        self.claim_desktops(4294967295)
        app = App(self.desk, QUILLBAR)
        app.wait_for_line("claims 4294967295 desktops; reading the first 256")
        app.wait_for_line("Detected 256 spaces")
        self.assertLess(resident_kb(app.proc.pid), MEMORY_LIMIT_KB)
        # Still following the window manager: a real count is read as it is.
        self.claim_desktops(3)
        app.wait_for_line("Detected 3 spaces")
        self.claim_desktops(100000)
        app.wait_for_line("claims 100000 desktops; reading the first 256")
        self.desk.wait_until(lambda: sum("Detected 256 spaces" in line for line in app.lines) == 2,
                             message="the second claim was not read")
        self.assertLess(resident_kb(app.proc.pid), MEMORY_LIMIT_KB)
        start = time.monotonic()
        app.proc.terminate()
        self.assertEqual(app.proc.wait(timeout=10), 0)
        # The sanitizers' leak check at exit takes longer than the answer.
        limit = 1.0 if os.environ.get("QUILLBAR_SANITIZED") == "1" else 0.1
        self.assertLess(time.monotonic() - start, limit, "SIGTERM was answered late")


class DebugRequestTest(DesktopTest):
    def request(self, *args):
        """The exit status and Quillbar's own stderr lines (not Qt's bus warnings)."""
        done = subprocess.run([QUILLBAR, *args], env=self.desk.env, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=60)
        own = [line for line in done.stderr.splitlines() if line.startswith("quillbar:")]
        return done.returncode, "\n".join(own)

    def test_a_request_reaches_a_starting_instance(self):
        # Sent right after Quillbar was started: served once it runs.
        self.desk.write_settings()
        app = App(self.desk, QUILLBAR)
        self.assertEqual(self.request("--debug-switch-to", "3"), (0, ""))
        self.desk.wait_until(lambda: self.desk.current_desktop() == 2,
                             message="the request sent during start-up was lost")
        app.wait_for_line("Debug switch request to desktop 3")
        # A desktop that does not exist is refused by the instance, with a reason.
        self.assertEqual(self.request("--debug-switch-to", "9"), (1, "quillbar: no desktop 9"))
        self.assertIsNone(app.proc.poll())
        self.assertEqual(app.stop(), 0)


if __name__ == "__main__":
    unittest.main()
