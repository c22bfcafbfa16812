# SPDX-License-Identifier: GPL-3.0-or-later
"""End to end: the real application while its settings cannot be written or read.

A full disk, a folder that turned read-only, a lock another process holds, a FIFO in place of
the file and a file far too large: each is reported with its reason in the log and in the rename
window, the title keeps answering meanwhile, and the names typed meanwhile are on disk once the
fault is gone. Needs root (a small tmpfs of its own for the settings folder)."""

import os
import socket
import subprocess
import time
import unittest

from desktop import App, resident_kb
from test_names_kept import QUILLBAR, NamesTest, stored_table, table_line

NOT_SAVED = "Names are not saved: "
KEPT_IN_MEMORY = "Names are kept in memory and not saved: "


@unittest.skipUnless(os.geteuid() == 0, "mounts a tmpfs")
class StorageFaultsTest(NamesTest):
    desktops = 4

    def setUp(self):
        super().setUp()
        self.folder = os.path.dirname(self.conf_path())
        os.makedirs(self.folder, exist_ok=True)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k,mode=0700", "quillbar-test",
                        self.folder], check=True)
        self.addCleanup(subprocess.run, ["umount", "-l", self.folder], check=False)

    def figure(self, what, value):
        print("figure: %s: %s" % (what, value), flush=True)

    def timed_title(self, expected):
        """Waits for the title over the bus; returns how long one query took."""
        self.desk.wait_until(lambda: self.print_title() == expected, timeout=20,
                             message=lambda: "the title is %r" % self.print_title())
        start = time.monotonic()
        self.assertEqual(self.print_title(), expected)
        return time.monotonic() - start

    def type_into_window(self, text, first=True):
        if first:
            self.desk.run([QUILLBAR, "--debug-settings"])
            # The first picture may come before the window has drawn its rows.
            self.desk.wait_until(self.try_focus_current_row, timeout=20)
        else:
            self.desk.xdotool("key", "End")
        self.desk.xdotool("type", "--delay", "20", text)

    def try_focus_current_row(self):
        try:
            self.focus_current_row()
            return True
        except IndexError:
            return False

    def wait_saved(self, key, name, since):
        self.desk.wait_until(lambda: self.stored_name(key) == name, timeout=30,
                             message=lambda: "%s is stored as %r" % (key, self.stored_name(key)))
        return time.monotonic() - since

    def screenshot_window(self, name):
        window = self.desk.wait_until(self.desk.rename_window, timeout=20)
        self.desk.screenshot(name, window)

    def test_a_full_disk_and_a_read_only_folder_lose_nothing(self):
        self.write_conf(table_line({"msid-3": "Kept"}))
        filler = os.path.join(self.folder, "filler")
        with open(filler, "wb", buffering=0) as out:
            try:
                while out.write(b"\0" * 1024):
                    pass
            except OSError:
                pass
        app = App(self.desk, QUILLBAR)
        app.wait_for_line("Name table loaded: 1 names")
        self.type_into_window("Mail")
        # Not even the lock file fits.
        app.wait_for_line("(No space left on device)")
        self.figure("full disk: title query while unsaved (s)", "%.3f" % self.timed_title("Mail"))
        self.screenshot_window("storage-full-disk")
        self.assertEqual(stored_table(self.conf_path()), {"msid-3": ("Kept", "")})

        freed = time.monotonic()
        os.unlink(filler)
        self.figure("full disk: freed to saved (s)",
                    "%.1f" % self.wait_saved("msid-1", "Mail", freed))
        app.wait_for_line("The names are saved again")

        subprocess.run(["mount", "-o", "remount,ro", self.folder], check=True)
        self.type_into_window("box", first=False)
        self.desk.wait_until(lambda: sum(NOT_SAVED in line for line in app.lines) >= 2,
                             timeout=20, message=lambda: app.lines[-10:])
        self.figure("read-only: title query while unsaved (s)",
                    "%.3f" % self.timed_title("Mailbox"))
        writable = time.monotonic()
        subprocess.run(["mount", "-o", "remount,rw", self.folder], check=True)
        self.figure("read-only: writable to saved (s)",
                    "%.1f" % self.wait_saved("msid-1", "Mailbox", writable))
        self.assertEqual(stored_table(self.conf_path()),
                         {"msid-3": ("Kept", ""), "msid-1": ("Mailbox", "")})
        self.assertEqual(app.stop(), 0)
        self.figure("full disk + read-only: log lines about saving",
                    sum("saved" in line for line in app.lines))

    def test_a_lock_held_elsewhere_delays_the_save_only(self):
        self.write_conf(table_line({"msid-3": "Kept"}))
        lock = self.conf_path() + ".lock"
        os.mkdir(lock)
        app = App(self.desk, QUILLBAR)
        app.wait_for_line("Name table loaded: 1 names")
        self.type_into_window("Web")
        app.wait_for_line(NOT_SAVED + lock + " is a directory")
        self.figure("lock directory: title query (s)", "%.3f" % self.timed_title("Web"))
        os.rmdir(lock)
        self.wait_saved("msid-1", "Web", time.monotonic())

        # A live program holds the lock, as another Qt program writing the file would.
        holder = self.desk.start_process(["sleep", "600"])
        with open(lock, "w") as out:
            out.write("%d\nsleep\n%s\n" % (holder.pid, socket.gethostname()))
        self.type_into_window("site", first=False)
        app.wait_for_line(NOT_SAVED + "cannot take the lock " + lock)
        self.figure("held lock: title query (s)", "%.3f" % self.timed_title("Website"))
        self.assertEqual(self.stored_name("msid-1"), "Web")
        released = time.monotonic()
        self.desk.stop_process(holder)
        self.figure("held lock: released to saved (s)",
                    "%.1f" % self.wait_saved("msid-1", "Website", released))
        self.assertEqual(app.stop(), 0)

    def test_a_fifo_or_a_huge_file_neither_hangs_nor_loses_names(self):
        os.mkfifo(self.conf_path())
        started = time.monotonic()
        app = App(self.desk, QUILLBAR)
        app.wait_for_line(KEPT_IN_MEMORY + self.conf_path() + " is not a regular file")
        self.figure("fifo: start to message (s)", "%.1f" % (time.monotonic() - started))
        self.type_into_window("Notes")
        self.screenshot_window("storage-fifo")
        self.figure("fifo: title query (s)", "%.3f" % self.timed_title("Notes"))
        os.unlink(self.conf_path())
        self.figure("fifo: removed to saved (s)",
                    "%.1f" % self.wait_saved("msid-1", "Notes", time.monotonic()))
        stopping = time.monotonic()
        self.assertEqual(app.stop(), 0)
        self.figure("fifo: SIGTERM to exit (s)", "%.2f" % (time.monotonic() - stopping))

        # 1 MiB and more is never read; fixing the file brings its names and the typed ones.
        subprocess.run(["umount", "-l", self.folder], check=True)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64m,mode=0700", "quillbar-test",
                        self.folder], check=True)
        with open(self.conf_path(), "w") as out:
            out.write("[General]\nHasCompletedFirstRun.v1=true\n" + table_line({"msid-3": "Kept"}))
            out.write("Filler=" + "x" * (32 << 20) + "\n")
        started = time.monotonic()
        app = App(self.desk, QUILLBAR)
        app.wait_for_line("is larger than 1 MiB")
        app.wait_for_line("Detected 4 spaces")
        self.figure("32 MiB file: start to detection (s)", "%.1f" % (time.monotonic() - started))
        self.figure("32 MiB file: RSS (MB)", "%.0f" % (resident_kb(app.proc.pid) / 1024))
        self.type_into_window("Draft")
        self.timed_title("Draft")
        self.write_conf(table_line({"msid-3": "Kept"}))
        self.wait_saved("msid-1", "Draft", time.monotonic())
        self.assertEqual(stored_table(self.conf_path()),
                         {"msid-3": ("Kept", ""), "msid-1": ("Draft", "")})
        self.assertEqual(app.stop(), 0)

if __name__ == "__main__":
    unittest.main()
