"""What one desktop change costs on X11/openbox, against `xprop -spy -root _NET_CURRENT_DESKTOP`
(what a status-bar script would run instead), measured side by side in one run:

    QUILLBAR=build/release/src/app/quillbar \
    QUILLBAR_DRIVER=build/release/tests/e2e/driver/quillbar-driver \
    QUILLBAR_TEST_WINDOW=build/release/tests/e2e/driver/quillbar-test-window \
        python3 bench/x11/change_cost.py [switches] [burst]      (default 200 and 10000)

The desktop has 32 desktops and 12 ordinary windows of another process shown on all of them (one
of them active). Reports:
- title latency: from a _NET_CURRENT_DESKTOP request (as `wmctrl -s` sends it) to the title
  published by the real observer (the e2e driver), and to xprop's line; both read by this script;
- CPU per paced change of the application (with its tray icon docked in trayer) and of xprop;
- CPU for a burst of changes sent as fast as possible;
- log lines the application writes per change (--verbose mirrors the journal on stderr).
"""

import json
import os
import statistics
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))
sys.path.insert(0, os.path.join(HERE, "..", "tiling"))

from desktop import BUILD, Desktop  # noqa: E402
from test_x11_backend import DRIVER, TEST_WINDOW, Driver  # noqa: E402
from title_latency import X11Pager  # noqa: E402

QUILLBAR = os.environ.get("QUILLBAR", BUILD + "/src/app/quillbar")
DESKTOPS = 32
WINDOWS = 12
ALL_DESKTOPS = 0xFFFFFFFF


class Lines:
    """A process's output lines, each with the time this script read it."""

    def __init__(self, stream):
        self.lines = []
        threading.Thread(target=self._read, args=(stream,), daemon=True).start()

    def _read(self, stream):
        for line in stream:
            self.lines.append((time.time(), line))


class TimedDriver(Driver):
    """The driver, with the time this script read each of its reports."""

    def _read(self):
        self.received = []
        for line in self.proc.stdout:
            self.received.append(time.time())
            self.events.append(json.loads(line))


def cpu_seconds(pid):
    """User and system time of the process so far."""
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def percentile(values, q):
    values = sorted(values)
    return values[int(round(q * (len(values) - 1)))]


def main():
    switches = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    burst = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
    with Desktop(desktops=DESKTOPS) as desk:
        config = os.path.join(desk.env["XDG_CONFIG_HOME"], "quillbar")
        os.makedirs(config)
        with open(os.path.join(config, "quillbar.conf"), "w") as conf:
            conf.write("[General]\nHasCompletedFirstRun.v1=true\n")
        for _ in range(WINDOWS):
            desk.start_process([TEST_WINDOW, str(ALL_DESKTOPS)])
        desk.wait_until(lambda: len(desk.windows_of_class("quillbar-focus-test")) == WINDOWS,
                        timeout=20, message="the windows did not map")
        desk.xdotool("windowactivate", str(desk.windows_of_class("quillbar-focus-test")[-1]),
                     check=False)

        desk.start_tray()
        app = desk.start_process([QUILLBAR, "--verbose"], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.PIPE, text=True, bufsize=1)
        app_lines = Lines(app.stderr)
        desk.wait_for_icons(1)
        driver = TimedDriver(desk)
        driver.wait_state(lambda s: s["current"] is not None and s["title"])
        xprop = desk.start_process(["xprop", "-spy", "-root", "_NET_CURRENT_DESKTOP"],
                                   stdout=subprocess.PIPE, text=True, bufsize=1)
        xprop_lines = Lines(xprop.stdout)
        desk.wait_until(lambda: xprop_lines.lines, message="xprop printed nothing")
        time.sleep(2.0)  # start-up work is over

        pager = X11Pager(desk.env["DISPLAY"])
        numbers = [1 if i % 2 else 2 + i // 2 % (DESKTOPS - 1) for i in range(switches)]
        ours, theirs = [], []
        cpu_app, cpu_xprop = cpu_seconds(app.pid), cpu_seconds(xprop.pid)
        app_mark = len(app_lines.lines)
        for number in numbers:
            mark, xmark = len(driver.events), len(xprop_lines.lines)
            start = time.time()
            pager.switch(number)
            title = driver.wait_for("title", since=mark)
            desk.wait_until(lambda: len(xprop_lines.lines) > xmark, message="xprop missed one")
            ours.append(driver.received[driver.events.index(title, mark)] - start)
            theirs.append(xprop_lines.lines[xmark][0] - start)
        time.sleep(0.5)  # the application's last refresh
        cpu_app = cpu_seconds(app.pid) - cpu_app
        cpu_xprop = cpu_seconds(xprop.pid) - cpu_xprop
        app_log = len(app_lines.lines) - app_mark

        # The burst: every request at once; then wait until both show the last desktop.
        burst_app, burst_xprop = cpu_seconds(app.pid), cpu_seconds(xprop.pid)
        last = None
        for i in range(burst):
            last = 1 + (i % DESKTOPS)
            pager.switch(last)
        wanted = "= %d" % (last - 1)
        desk.wait_until(lambda: xprop_lines.lines[-1][1].strip().endswith(wanted), timeout=120,
                        message="xprop did not settle")
        desk.wait_until(lambda: driver.events[-1].get("title") == "Desktop %d" % last or
                        any(e.get("title") == "Desktop %d" % last for e in driver.events[-3:]),
                        timeout=120, message="the driver did not settle")
        time.sleep(1.0)
        burst_app = cpu_seconds(app.pid) - burst_app
        burst_xprop = cpu_seconds(xprop.pid) - burst_xprop
        pager.close()
        driver.quit()

    ms = [1000 * t for t in ours]
    xms = [1000 * t for t in theirs]
    print("title latency, %d switches, %d windows, %d desktops:" % (switches, WINDOWS, DESKTOPS))
    print("  quillbar median %.2f ms, p95 %.2f ms" % (statistics.median(ms), percentile(ms, 0.95)))
    print("  xprop    median %.2f ms, p95 %.2f ms" % (statistics.median(xms), percentile(xms, 0.95)))
    print("  ratio of medians %.2f" % (statistics.median(ms) / statistics.median(xms)))
    print("CPU per change: quillbar %.3f ms, xprop %.3f ms, ratio %.1f" % (
        1000 * cpu_app / switches, 1000 * cpu_xprop / switches,
        cpu_app / cpu_xprop if cpu_xprop else float("inf")))
    print("%d changes at once, CPU: quillbar %.2f s, xprop %.2f s, ratio %.1f" % (
        burst, burst_app, burst_xprop, burst_app / burst_xprop if burst_xprop else float("inf")))
    print("log lines per change: %.2f" % (app_log / switches))


if __name__ == "__main__":
    main()
