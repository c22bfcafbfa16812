# SPDX-License-Identifier: GPL-3.0-or-later
"""Idle cost of a running Quillbar: resident memory and wake-ups per refresh-timer period.

Usage: python3 idle.py path/to/quillbar [seconds] [--foreign]

Runs Quillbar in a private demo desktop (Xvfb, openbox with 4 desktops, trayer), waits until its
tray icon has docked, lets it settle, then counts the context switches of all its threads over
the measuring window (each one is a wake-up) and reads VmRSS at the end.

With --foreign, another process's window is active throughout and renames itself three times a
second (as a terminal showing a clock would); QUILLBAR_TEST_WINDOW names that program (the e2e
driver's quillbar-test-window).
"""

import glob
import os
import re
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests",
                                "e2e"))
from desktop import Desktop  # noqa: E402

TIMER_PERIOD = 5.0  # the observer's refresh interval
TEST_WINDOW = os.environ.get("QUILLBAR_TEST_WINDOW", os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "build", "tests", "e2e", "driver",
    "quillbar-test-window"))


def switches(pid):
    per_thread = {}
    for status in glob.glob("/proc/%d/task/*/status" % pid):
        try:
            text = open(status).read()
        except OSError:
            continue
        name = re.search(r"Name:\s+(.*)", text).group(1)
        count = sum(int(n) for n in re.findall(r"ctxt_switches:\s+(\d+)", text))
        per_thread[name] = per_thread.get(name, 0) + count
    return per_thread


def rss_kib(pid):
    return int(re.search(r"VmRSS:\s+(\d+)", open("/proc/%d/status" % pid).read()).group(1))


def rename_until(desk, window, stop):
    """Renames window three times a second until stop is set."""
    count = 0
    while not stop.wait(1 / 3.0):
        count += 1
        desk.xdotool("set_window", "--name", "busy %d" % count, str(window), check=False)


def main():
    args = [a for a in sys.argv[1:] if a != "--foreign"]
    foreign = "--foreign" in sys.argv[1:]
    program = args[0]
    seconds = float(args[1]) if len(args) > 1 else 30.0
    with Desktop(desktops=4) as desk:
        config = os.path.join(desk.env["XDG_CONFIG_HOME"], "quillbar")
        os.makedirs(config)
        with open(os.path.join(config, "quillbar.conf"), "w") as conf:
            conf.write("[General]\nHasCompletedFirstRun.v1=true\n")
        desk.start_tray()
        app = desk.start_process([program], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        desk.wait_until(lambda: desk.run([program, "--print-title"], check=False).strip(),
                        timeout=30)
        stop = threading.Event()
        if foreign:
            desk.start_process([TEST_WINDOW, "0"])
            window = desk.wait_until(lambda: desk.windows_of_class("quillbar-focus-test"),
                                     message="the foreign window did not map")[0]
            desk.xdotool("windowactivate", str(window), check=False)
            desk.wait_until(lambda: desk.active_window() == window, message="not active")
            threading.Thread(target=rename_until, args=(desk, window, stop), daemon=True).start()
        time.sleep(3.0)  # the first-run tooltip (1 s) and the start-up work are over
        before = switches(app.pid)
        time.sleep(seconds)
        after = switches(app.pid)
        stop.set()
        rss = rss_kib(app.pid)
        periods = seconds / TIMER_PERIOD
        total = sum(after.values()) - sum(before.values())
        print("idle RSS: %.1f MB" % (rss / 1024.0))
        print("wake-ups over %.0f s (%.0f timer periods): %d, %.1f per period" %
              (seconds, periods, total, total / periods))
        for name in sorted(after):
            print("  thread %-20s %d" % (name, after[name] - before.get(name, 0)))


if __name__ == "__main__":
    main()
