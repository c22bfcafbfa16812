# SPDX-License-Identifier: GPL-3.0-or-later
"""A full disk, a read-only folder and a lock a live program holds are reported, block nothing,
and what was typed meanwhile is saved once they are gone (root: a tmpfs of its own); paths that
would block are the settings unit tests'."""

import os
import socket
import subprocess
import unittest

from desktop import App, stored_table
from test_names_kept import QUILLBAR, NamesTest

NOT_SAVED = "Names are not saved: "


@unittest.skipUnless(os.geteuid() == 0, "mounts a tmpfs")
class StorageFaultsTest(NamesTest):
    desktops = 4

    def setUp(self):
        super().setUp()
        self.folder = os.path.dirname(self.desk.conf_path())
        self.mount("size=64k")
        self.addCleanup(subprocess.run, ["umount", "-l", self.folder], check=False)

    def mount(self, options):
        os.makedirs(self.folder, exist_ok=True)
        subprocess.run(["mount", "-t", "tmpfs", "-o", options + ",mode=0700", "quillbar-test",
                        self.folder], check=True)

    def type_into_window(self, text, first=True):
        if first:
            self.desk.run([QUILLBAR, "--debug-settings"])
            self.focus_current_row()
        else:
            self.desk.xdotool("key", "End")
        self.desk.xdotool("type", "--delay", "20", text)

    def typed(self, app, text, fault=None):
        """Types text into the current row; waits for the fault's line and the title."""
        self.type_into_window(text)
        if fault:
            app.wait_for_line(fault)
        self.desk.wait_title(text)

    def wait_saved(self, key, name):
        self.desk.wait_value(lambda: self.stored_name(key), name, timeout=30)

    def test_a_full_disk_and_a_read_only_folder_lose_nothing(self):
        self.desk.write_settings({"msid-3": "Kept"})
        filler = os.path.join(self.folder, "filler")
        with open(filler, "wb", buffering=0) as out:
            try:
                while out.write(b"\0" * 1024):
                    pass
            except OSError:
                pass
        app = App(self.desk)
        app.wait_for_line("Name table loaded: 1 names")
        self.typed(app, "Mail", fault="(No space left on device)")  # not even the lock file fits
        self.assertEqual(stored_table(self.desk.conf_path()), {"msid-3": ("Kept", "")})
        os.unlink(filler)
        self.wait_saved("msid-1", "Mail")
        app.wait_for_line("The names are saved again")

        subprocess.run(["mount", "-o", "remount,ro", self.folder], check=True)
        self.type_into_window("box", first=False)
        self.desk.wait_until(lambda: sum(NOT_SAVED in line for line in app.lines) >= 2,
                             timeout=20, message=lambda: app.lines[-10:])
        self.desk.wait_title("Mailbox")
        subprocess.run(["mount", "-o", "remount,rw", self.folder], check=True)
        self.wait_saved("msid-1", "Mailbox")
        self.assertEqual(stored_table(self.desk.conf_path()),
                         {"msid-3": ("Kept", ""), "msid-1": ("Mailbox", "")})
        self.assertEqual(app.stop(), 0)

    def test_a_lock_held_elsewhere_delays_the_save_only(self):
        self.desk.write_settings({"msid-3": "Kept"})
        lock = self.desk.conf_path() + ".lock"
        app = App(self.desk)
        app.wait_for_line("Name table loaded: 1 names")
        self.typed(app, "Web")
        self.wait_saved("msid-1", "Web")

        # A live program holds the lock, as another Qt program writing the file would.
        holder = self.desk.start_process(["sleep", "600"])
        with open(lock, "w") as out:
            out.write("%d\nsleep\n%s\n" % (holder.pid, socket.gethostname()))
        self.type_into_window("site", first=False)
        app.wait_for_line(NOT_SAVED + "cannot take the lock " + lock)
        self.desk.wait_title("Website")
        self.assertEqual(self.stored_name("msid-1"), "Web")
        self.desk.stop_process(holder)
        self.wait_saved("msid-1", "Website")
        self.assertEqual(app.stop(), 0)


if __name__ == "__main__":
    unittest.main()
