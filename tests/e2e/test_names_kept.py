# SPDX-License-Identifier: GPL-3.0-or-later
"""Typed names survive desktops that go, an unreadable file, a second instance and kill -9."""

import os
import random
import subprocess
import threading
import unittest

from desktop import AS_NOBODY, NOBODY, QUILLBAR, App, DesktopTest, stored_table
from test_rename_window import current_row


class NamesTest(DesktopTest):
    def read_conf(self):
        with open(self.desk.conf_path(), "rb") as conf:
            return conf.read()

    def print_title(self, env=None, prefix=()):
        return subprocess.run([*prefix, QUILLBAR, "--print-title"], env=env or self.desk.env,
                              capture_output=True, text=True, timeout=30).stdout.strip()

    def focus_current_row(self, places=None):
        """Clicks the current desktop's name field (places: its height by desktop, kept)."""
        window = self.desk.wait_until(self.desk.rename_window, timeout=20,
                                      message="no rename window")
        self.desk.wait_until(lambda: self.desk.active_window() == window, timeout=20)
        x, y, width, _ = self.desk.geometry(window)
        current = self.desk.current_desktop()
        places = {} if places is None else places
        if current not in places:
            places[current] = self.desk.wait_until(lambda: self.row_of(window), timeout=20)
        self.desk.click(x + width // 2, y + places[current])

    def row_of(self, window):
        try:
            return current_row(self.desk, window)
        except IndexError:  # a picture taken before the rows were drawn
            return None

    def stored_name(self, key):
        try:
            return stored_table(self.desk.conf_path()).get(key, ("", ""))[0]
        except (OSError, KeyError, ValueError):
            return ""


class NamesKeptTest(NamesTest):
    desktops = 6

    def test_a_desktop_that_goes_away_and_comes_back_keeps_its_name(self):
        # Unknown keys too: another machine's desktop 9, a space that is not here.
        self.desk.write_settings({"msid-5": "Five", "msid-9": "Nine", "uuid-other": "Other"})
        before = self.read_conf()
        app = App(self.desk, QUILLBAR)
        app.wait_for_line("Detected 6 spaces")
        app.wait_for_line("Name table loaded: 3 names")
        self.desk.wmctrl("-n", "2")
        app.wait_for_line("Detected 2 spaces")
        self.assertEqual(self.read_conf(), before, "the table changed while desktop 5 was gone")
        self.desk.wmctrl("-n", "6")
        self.desk.wait_until(lambda: sum("Detected 6 spaces" in line for line in app.lines) == 2,
                             message="desktop 5 did not come back")
        self.desk.wmctrl("-s", "4")
        self.desk.wait_title("Five")
        self.assertEqual(app.stop(), 0)
        self.assertEqual(self.read_conf(), before, "loading and refreshing rewrote the table")

    def test_a_settings_file_it_cannot_read_is_never_overwritten(self):
        # Quillbar runs as nobody with its own bus; its file is nobody's but write-only.
        self.desk.write_settings({"msid-3": "Kept"})
        os.chown(self.desk.conf_path(), NOBODY, NOBODY)
        os.chmod(self.desk.conf_path(), 0o200)
        before = self.read_conf()
        home = self.desk.env["HOME"]
        os.chmod(home, 0o755)
        for path in [self.desk.env[k] for k in ("XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                                                 "XDG_DATA_HOME", "XDG_RUNTIME_DIR")] + [
                os.path.dirname(self.desk.conf_path())]:
            os.makedirs(path, exist_ok=True)
            os.chown(path, NOBODY, NOBODY)
        env = dict(self.desk.env)
        env["DBUS_SESSION_BUS_ADDRESS"] = self.desk.start_bus(AS_NOBODY, env).address
        app = App(self.desk, QUILLBAR, env=env, prefix=AS_NOBODY)
        app.wait_for_line("Names are kept in memory and not saved: cannot read")

        # What seems a first launch opens the rename window: type a name.
        self.focus_current_row()
        self.desk.xdotool("type", "--delay", "20", "Work")
        self.desk.wait_value(lambda: self.print_title(env, AS_NOBODY), "Work")
        self.assertEqual(self.read_conf(), before, "the unreadable file was replaced")

        # Readable again (a repair): the next edit brings both together.
        os.chmod(self.desk.conf_path(), 0o600)
        self.desk.xdotool("type", "s")
        self.desk.wait_until(lambda: self.stored_name("msid-1") == "Works",
                             message=lambda: "the names were never saved: %r" % app.lines[-4:])
        self.assertEqual(stored_table(self.desk.conf_path()),
                         {"msid-3": ("Kept", ""), "msid-1": ("Works", "")})
        app.wait_for_line("The settings file can be read again")
        self.assertEqual(app.stop(), 0)

    def test_a_new_instance_never_writes_back_an_older_table(self):
        self.desk.write_settings()
        first = App(self.desk, QUILLBAR)
        first.wait_for_line("Detected 6 spaces")
        self.desk.run([QUILLBAR, "--debug-settings"])
        self.focus_current_row()
        typed = "".join(random.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(70))
        typist = self.desk.start_process(["xdotool", "type", "--delay", "30", typed])
        self.desk.wait_until(lambda: len(self.stored_name("msid-1")) >= 8, timeout=20)
        # Started while the first still saves keystrokes (its window takes later typing).
        second = App(self.desk, QUILLBAR)
        typist.kill()
        typist.wait(timeout=30)
        self.assertEqual(first.proc.wait(timeout=20), 0)
        second.wait_for_line("Name table loaded: 1 names")
        acknowledged = self.stored_name("msid-1")
        self.assertTrue(typed.startswith(acknowledged) and len(acknowledged) >= 8, acknowledged)

        # An edit in the new instance continues the name the old one saved last.
        self.desk.run([QUILLBAR, "--debug-settings"])
        self.focus_current_row()
        self.desk.xdotool("key", "End")
        self.desk.xdotool("type", "!")
        self.desk.wait_until(lambda: self.stored_name("msid-1").endswith("!"),
                             message="the edit was not saved")
        self.assertEqual(self.stored_name("msid-1"), acknowledged + "!")
        self.assertEqual(second.stop(), 0)


class CrashConsistencyTest(NamesTest):
    desktops = 4
    rounds = int(os.environ.get("QUILLBAR_CRASH_ROUNDS", "50"))

    def test_kill_9_while_typing_loses_no_acknowledged_name(self):
        self.desk.write_settings()
        conf = self.desk.conf_path()
        acknowledged, places, rng = {}, {}, random.Random(os.environ.get("QUILLBAR_CRASH_SEED"))
        progressed, round_ = 0, -1
        # Not vacuous: rounds go on (up to thrice as many) until enough kills came after a save.
        while True:
            round_ += 1
            if round_ >= self.rounds and progressed > self.rounds // 5:
                break
            self.assertLess(round_, 3 * self.rounds,
                            "too few rounds saved any keystroke: %d" % progressed)
            key = "msid-%d" % (round_ % 4 + 1)
            self.desk.wmctrl("-s", str(round_ % 4))
            app = App(self.desk, QUILLBAR)
            app.wait_for_line("Name table loaded")
            self.desk.run([QUILLBAR, "--debug-settings"])
            self.focus_current_row(places)
            self.desk.xdotool("key", "End")
            typist = self.desk.start_process(["xdotool", "type", "--delay", "15",
                                              "r%02dabcdefghij" % round_])
            before = acknowledged.get(key, "")
            # Kill after a random number of saved keystrokes, plus a little.
            saved = rng.randint(0, 6)
            self.desk.wait_until(lambda: len(self.stored_name(key)) >= len(before) + saved or
                                 typist.poll() is not None, timeout=20)
            threading.Event().wait(rng.uniform(0, 0.04))
            app.proc.kill()
            app.proc.wait()  # its streams close with the desktop
            # A stopped xdotool could leave a key held down: let it type into nothing.
            typist.wait(timeout=30)
            self.desk.stop_process(typist)

            table = stored_table(conf)
            now = table.get(key, ("", ""))[0]
            self.assertTrue(now.startswith(before), "round %d lost %r: %r" % (round_, before, now))
            for other, name in acknowledged.items():
                if other != key:
                    self.assertEqual(table.get(other, ("", ""))[0], name,
                                     "round %d lost %s=%r" % (round_, other, name))
            progressed += len(now) > len(before)
            acknowledged = {k: v[0] for k, v in table.items()}


if __name__ == "__main__":
    unittest.main()
