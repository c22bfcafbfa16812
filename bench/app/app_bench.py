# SPDX-License-Identifier: GPL-3.0-or-later
"""The real application against what a status-bar script or the least Qt tray program costs, in
one run, as one table: each figure beside its baseline measured in the same run, the ratio, and
PASS or FAIL against the target.

    python3 app_bench.py --quillbar BIN/quillbar --minimal-tray BIN/minimal-tray \
        --test-window BIN/quillbar-test-window [--x11-json bench_x11.json] [--quick]

Everything runs on private desktops (Xvfb, a session bus, openbox, trayer; tests/e2e/desktop.py):
- title latency: from a _NET_CURRENT_DESKTOP request (what `wmctrl -s` sends, on this script's
  own X connection) to the new title printed by `quillbar --print-title --follow` (the title on
  the bus), and to the line of `xprop -spy -root _NET_CURRENT_DESKTOP`; each switch times one of
  the two, in turn, and the other's line is read only after it, so that this script wakes once
  per switch for either; with 3 and with 12 ordinary windows of another program open, one of
  them active; 32 desktops;
- CPU per desktop change (the application's threads, from /proc/PID/task/*/schedstat) over the
  paced switches with 12 windows, run again with both lines read as they arrive, as a bar reads
  them, and for 10,000 requests sent at once, against xprop -spy;
- journal lines per desktop change: in a pass of its own, on an instance run with --verbose, which
  mirrors every journal line on stderr, and the lines are counted there (no journal is needed);
  stderr goes to a file read afterwards, so that no reader here wakes with every change beside
  the follower. Every other figure is of the application as it is run, without the mirror, whose
  write of each line to a file is work no user's instance does;
- wake-ups per minute while idle, with the active window of another program renaming itself
  three times a second: the threads' context switches sampled every 10 ms, and a run of samples
  that saw any counted as one wake-up; the minimal tray program beside it is the baseline;
- `quillbar --print-title`, one call, against one `xprop -root _NET_CURRENT_DESKTOP`: process
  start to exit, median (starting `true` is shown for scale);
- start to first title: from starting the program to its tray icon docked in the tray (the icon
  shows the first title), and the resident memory once it has settled, against the minimal tray
  program, alternating, several runs each, medians;
- X round trips per desktop change: the counter of bench_x11 (--x11-json), when it has one;
- the floor under the title's latency (--bus-relay): the same switches with Quillbar stopped and a
  bare relay (xcb and sd-bus on one thread, no toolkit, no drawing) putting the desktop on the bus
  under Quillbar's name, read by the same follower: what the bus hop alone costs beside xprop;
- the floor of a Qt tray program (--qt-relay): the same, by a QApplication with one tray icon that
  hears the change on Qt's own X connection, shows the number in its icon and emits the title with
  QtDBus; its latency and CPU per change, and Quillbar's against them.
Exits 1 when any target is missed.
"""

import argparse
import ctypes
import glob
import json
import os
import re
import select
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))
sys.path.insert(0, os.path.join(HERE, "..", "tiling"))

from desktop import Desktop  # noqa: E402
from title_latency import X11Pager  # noqa: E402

DESKTOPS = 32
ALL_DESKTOPS = 0xFFFFFFFF
TEST_WINDOW_CLASS = "quillbar-focus-test"
# Paced switches start this far apart, as a held key repeats; closer changes count as a burst,
# which the program answers once a frame.
PACE = 0.025
FIRST_RUN_DONE = "[General]\nHasCompletedFirstRun.v1=true\n"


def median(values):
    return statistics.median(values) if values else float("nan")


def percentile(values, q):
    values = sorted(values)
    return values[int(round(q * (len(values) - 1)))] if values else float("nan")


def cpu_ns(pid):
    """Time on the CPU of all the process's threads so far, in nanoseconds."""
    total = 0
    for path in glob.glob("/proc/%d/task/*/schedstat" % pid):
        try:
            total += int(open(path).read().split()[0])
        except (OSError, ValueError, IndexError):
            pass  # a thread that just ended
    return total


def context_switches(pid):
    total = 0
    for path in glob.glob("/proc/%d/task/*/status" % pid):
        try:
            total += sum(int(n) for n in re.findall(r"ctxt_switches:\s+(\d+)", open(path).read()))
        except OSError:
            pass
    return total


def rss_mb(pid):
    return int(re.search(r"VmRSS:\s+(\d+)", open("/proc/%d/status" % pid).read()).group(1)) / 1024


def settle(pids, quiet=0.5, timeout=60):
    """Waits until none of the processes has used the CPU for `quiet` seconds."""
    deadline = time.monotonic() + timeout
    last = [cpu_ns(pid) for pid in pids]
    while time.monotonic() < deadline:
        time.sleep(quiet)
        now = [cpu_ns(pid) for pid in pids]
        if all(b - a < 1e6 for a, b in zip(last, now)):  # under 1 ms in the period
            return
        last = now


class Lines:
    """A stream's lines, each with the monotonic time of the read that brought it in. Nothing
    reads the stream until asked (lines, wait_beyond): a line that arrives unasked wakes nobody
    here, so it takes no CPU from the programs under measurement."""

    def __init__(self, stream):
        self._fd, self._partial, self._lines = stream.fileno(), b"", []
        os.set_blocking(self._fd, False)

    def _read(self, timeout):
        """Takes in what the stream holds, waiting up to timeout for something; False if nothing
        came."""
        if not select.select([self._fd], [], [], max(0.0, timeout))[0]:
            return False
        data = os.read(self._fd, 1 << 16)
        stamp = time.monotonic()
        if not data:
            raise EOFError("the stream ended after %r" % self._lines[-3:])
        *complete, self._partial = (self._partial + data).split(b"\n")
        self._lines += [(stamp, line.decode(errors="replace")) for line in complete]
        return True

    def take_in(self):
        """Reads whatever the stream holds now, without waiting."""
        while self._read(0):
            pass

    @property
    def lines(self):
        """Every line so far, (stamp, text)."""
        self.take_in()
        return self._lines

    @staticmethod
    def wait_each_beyond(marks, timeout=20.0):
        """Reads each stream as its lines arrive, as a bar reads its programs' output, until each
        has a line beyond its mark; marks: (Lines, count) pairs."""
        deadline = time.monotonic() + timeout
        while pending := [lines for lines, count in marks if len(lines._lines) <= count]:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError("no line from %d of the streams" % len(pending))
            ready = select.select([lines._fd for lines in pending], [], [], left)[0]
            for lines in pending:
                if lines._fd in ready:
                    lines._read(0)

    def wait_beyond(self, count, timeout=20.0, predicate=None):
        """The first line after the first `count` lines (that satisfies predicate)."""
        deadline = time.monotonic() + timeout
        while True:
            for stamp, text in self._lines[count:]:
                if predicate is None or predicate(text):
                    return stamp, text
            count = max(count, len(self._lines))
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError("no line after %d: %r" % (count, self._lines[-3:]))
            self._read(left)


class DockWatcher:
    """ReparentNotify events of the root window's children, as a tray's docking produces them."""

    class ReparentEvent(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                    ("parent", ctypes.c_ulong), ("x", ctypes.c_int), ("y", ctypes.c_int),
                    ("override_redirect", ctypes.c_int)]

    class Event(ctypes.Union):
        pass

    class ClassHint(ctypes.Structure):
        _fields_ = [("res_name", ctypes.c_char_p), ("res_class", ctypes.c_char_p)]

    REPARENT_NOTIFY = 21
    SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
    ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)

    Event._fields_ = [("type", ctypes.c_int), ("xreparent", ReparentEvent),
                      ("pad", ctypes.c_long * 24)]

    def __init__(self, display):
        x = self.x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        x.XConnectionNumber.argtypes = x.XPending.argtypes = [ctypes.c_void_p]
        x.XFlush.argtypes = x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(self.Event)]
        x.XGetClassHint.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                    ctypes.POINTER(self.ClassHint)]
        x.XFree.argtypes = [ctypes.c_void_p]
        # A window that is gone before its class is read must not end this script.
        self._ignore = self.ERROR_HANDLER(lambda display, error: 0)
        x.XSetErrorHandler(self._ignore)
        self.display = x.XOpenDisplay(display.encode())
        self.root = x.XDefaultRootWindow(self.display)
        x.XSelectInput(self.display, self.root, self.SUBSTRUCTURE_NOTIFY_MASK)
        x.XFlush(self.display)
        self.fd = x.XConnectionNumber(self.display)

    def _classes(self, window):
        hint = self.ClassHint()
        if not self.x.XGetClassHint(self.display, window, ctypes.byref(hint)):
            return ""
        return b" ".join(filter(None, (hint.res_name, hint.res_class))).decode(errors="replace")

    def drain(self):
        """Forgets the events so far."""
        event = self.Event()
        while self.x.XPending(self.display):
            self.x.XNextEvent(self.display, ctypes.byref(event))

    def wait_docked(self, word, timeout=30.0):
        """Monotonic time at which a window whose class contains word left the root."""
        deadline = time.monotonic() + timeout
        event = self.Event()
        while True:
            while self.x.XPending(self.display):
                self.x.XNextEvent(self.display, ctypes.byref(event))
                stamp = time.monotonic()
                if event.type == self.REPARENT_NOTIFY and event.xreparent.parent != self.root \
                        and word in self._classes(event.xreparent.window).lower():
                    return stamp
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError("no icon of %s docked" % word)
            select.select([self.fd], [], [], left)

    def close(self):
        self.x.XCloseDisplay(self.display)


def prepare(desk):
    config = os.path.join(desk.env["XDG_CONFIG_HOME"], "quillbar")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "quillbar.conf"), "w") as conf:
        conf.write(FIRST_RUN_DONE)


def open_windows(desk, program, count):
    """Opens ordinary windows of another program on every desktop; the newest is active."""
    before = len(desk.windows_of_class(TEST_WINDOW_CLASS))
    for _ in range(count):
        desk.start_process([program, str(ALL_DESKTOPS)])
    windows = desk.wait_until(
        lambda: [w for w in [desk.windows_of_class(TEST_WINDOW_CLASS)] if
                 len(w) == before + count], timeout=20, message="the windows did not map")[0]
    desk.xdotool("windowactivate", str(windows[-1]), check=False)
    return windows


class Run:
    """The figures of one run, as rows of the table."""

    def __init__(self):
        self.rows, self.failed = [], False

    def add(self, figure, ours, baseline, ratio, target, ok):
        result = "" if ok is None else ("PASS" if ok else "FAIL")
        self.failed |= ok is False
        self.rows.append((figure, ours, baseline, ratio, target, result))

    def print(self):
        head = ("figure", "Quillbar", "baseline", "ratio", "target", "")
        widths = [max(len(row[i]) for row in self.rows + [head]) for i in range(len(head))]
        for row in [head, tuple("-" * w for w in widths)] + self.rows:
            print("| " + " | ".join(cell.ljust(w) for cell, w in zip(row, widths)) + " |")
        sys.stdout.flush()


def logged_lines(log):
    """The lines the application has written to its log file so far."""
    log.seek(0)
    return log.read().splitlines()


def switch_and_time(pager, follower, xprop, numbers):
    """Latencies (ms) of the follower's and xprop's lines after each request; titles seen.
    Each switch times one of the two (two switches each in turn, so that each is timed going to
    every kind of desktop of `numbers`), and reads the other's line only after the timed one:
    reading the first line of a switch would wake this script while the second is on its way,
    and take a CPU from whichever program comes second."""
    ours, theirs, titles = [], [], {}
    start = time.monotonic() - PACE
    for i, number in enumerate(numbers):
        mark, xmark = len(follower.lines), len(xprop.lines)
        time.sleep(max(0.0, start + PACE - time.monotonic()))
        start = time.monotonic()
        pager.switch(number)
        if i // 2 % 2 == 0:
            stamp, title = follower.wait_beyond(mark)
            ours.append(1000 * (stamp - start))
            xprop.wait_beyond(xmark)
        else:
            xstamp, _ = xprop.wait_beyond(xmark)
            theirs.append(1000 * (xstamp - start))
            _, title = follower.wait_beyond(mark)
        titles[number] = title
    return ours, theirs, titles


def switch_reading_both(pager, follower, xprop, numbers):
    """The same paced switches with both lines read as they arrive: what each program costs with
    a reader waiting on its output, as a bar waits."""
    start = time.monotonic() - PACE
    for number in numbers:
        marks = [(follower, len(follower.lines)), (xprop, len(xprop.lines))]
        time.sleep(max(0.0, start + PACE - time.monotonic()))
        start = time.monotonic()
        pager.switch(number)
        Lines.wait_each_beyond(marks)


def start_app(desk, args, log, verbose=False):
    return desk.start_process([args.quillbar] + (["--verbose"] if verbose else []),
                              stdout=subprocess.DEVNULL, stderr=log)


def restart_app(desk, args, app, log, pager, follower, xprop, now, then, verbose=False):
    """A new instance in place of app (which it replaces), past its first drawing of each title;
    it leaves the desktop that is shown now and returns to one that is not the next, then."""
    fresh = start_app(desk, args, log, verbose)
    app.wait(timeout=30)  # a replaced instance quits by itself
    desk.stop_process(app)
    desk.wait_for_icons(1)
    # A launch while Quillbar runs brings the rename window, the keyboard's way in; a user would
    # close it, and left open it would take its own share of each change (and its cursor blinks).
    desk.wait_until(desk.rename_window, message="the new instance showed no rename window")
    desk.wmctrl("-c", "Rename Spaces")
    desk.wait_until(lambda: desk.rename_window() is None, message="the rename window stayed")
    settle([fresh.pid])
    # The follower moves to the new instance on its own; one untimed round through every
    # desktop also draws each title once, as the replaced instance had done.
    others = [n for n in range(1, DESKTOPS + 1) if n not in (now, then)]
    switch_and_time(pager, follower, xprop, [then] + others + [now])
    return fresh


def latency_rows(run, windows, ours, theirs):
    ratio = median(ours) / median(theirs)
    run.add("title latency, %d windows: median" % windows, "%.2f ms" % median(ours),
            "xprop -spy %.2f ms" % median(theirs), "%.2f" % ratio,
            "", None)
    run.add("title latency, %d windows: p95" % windows, "%.2f ms" % percentile(ours, 0.95),
            "xprop -spy %.2f ms" % percentile(theirs, 0.95),
            "%.2f" % (percentile(ours, 0.95) / percentile(theirs, 0.95)),
            "< 4 ms" if windows == 12 else "",
            percentile(ours, 0.95) < 4.0 if windows == 12 else None)


def desktop_changes(run, args):
    """Latency with 3 and 12 windows, CPU per change, the burst, journal lines, idle wake-ups."""
    switches = 120 if args.quick else 400  # half of them time each line
    burst = 2000 if args.quick else 10000
    idle_seconds = 20 if args.quick else 60
    with Desktop(desktops=DESKTOPS) as desk:
        prepare(desk)
        open_windows(desk, args.test_window, 3)
        desk.start_tray()
        log = tempfile.NamedTemporaryFile(mode="w+", prefix="quillbar-bench-", suffix=".log")
        app = start_app(desk, args, log)
        desk.wait_for_icons(1)
        follow = desk.start_process([args.quillbar, "--print-title", "--follow"],
                                    stdout=subprocess.PIPE, text=True, bufsize=1)
        follower = Lines(follow.stdout)
        follower.wait_beyond(0, predicate=bool)

        def start_xprop():
            spy = desk.start_process(["xprop", "-spy", "-root", "_NET_CURRENT_DESKTOP"],
                                     stdout=subprocess.PIPE, text=True, bufsize=1)
            xprop = Lines(spy.stdout)
            xprop.wait_beyond(0)
            return spy, xprop

        spy, xprop = start_xprop()
        settle([app.pid])
        pager = X11Pager(desk.env["DISPLAY"])
        numbers = [1 if i % 2 else 2 + i // 2 % (DESKTOPS - 1) for i in range(switches)]

        ours, theirs, _ = switch_and_time(pager, follower, xprop, numbers)
        latency_rows(run, 3, ours, theirs)

        windows = open_windows(desk, args.test_window, 9)
        # The X server hands an event to the newest listener first, which gives whichever of the
        # two started last a head start of a wake-up. Half the switches are timed with xprop
        # listening after Quillbar, half (after a restart of Quillbar) before it; the figures
        # pool both.
        half = switches // 2
        ours, theirs, titles, cpu_app, cpu_xprop, ratios = [], [], {}, 0, 0, []
        for part, restart in ((numbers[:half], False), (numbers[half:], True)):
            if restart:
                app = restart_app(desk, args, app, log, pager, follower, xprop,
                                  numbers[half - 1], numbers[half])
            settle([app.pid])
            part_ours, part_theirs, part_titles = switch_and_time(pager, follower, xprop, part)
            settle([app.pid])
            # The CPU over the same switches again, each line read as it comes: timing one line
            # per switch leaves the other unread for a while, and a write that wakes no reader
            # costs its writer less.
            cpu_before, xprop_before = cpu_ns(app.pid), cpu_ns(spy.pid)
            switch_reading_both(pager, follower, xprop, part)
            settle([app.pid])
            cpu_app += cpu_ns(app.pid) - cpu_before
            cpu_xprop += cpu_ns(spy.pid) - xprop_before
            ours, theirs = ours + part_ours, theirs + part_theirs
            titles.update(part_titles)
            ratios.append(median(part_ours) / median(part_theirs))
        latency_rows(run, 12, ours, theirs)
        run.add("  the same, xprop listening after / before Quillbar", "", "",
                "%.2f / %.2f" % tuple(ratios), "", None)
        per_app, per_xprop = cpu_app / 1e6 / switches, cpu_xprop / 1e6 / switches
        run.add("CPU per desktop change", "%.3f ms" % per_app, "xprop -spy %.3f ms" % per_xprop,
                "%.1f" % (per_app / per_xprop), "≤ 4×", per_app <= 4 * per_xprop)

        # Every request at once; the last one goes to a desktop whose title is known.
        final = numbers[2]
        cpu_app, cpu_xprop = cpu_ns(app.pid), cpu_ns(spy.pid)
        for i in range(burst - 1):
            pager.switch(1 + i % DESKTOPS if 1 + i % DESKTOPS != final else 1)
            if i % 100 == 0:  # keep both pipes from filling, which would stall their writers
                follower.take_in()
                xprop.take_in()
        pager.switch(final)
        desk.wait_until(lambda: xprop.lines[-1][1].endswith("= %d" % (final - 1)), timeout=300,
                        message="xprop did not see the last desktop")
        desk.wait_until(lambda: follower.lines[-1][1] == titles[final], timeout=300,
                        message="the title did not reach the last desktop")
        settle([app.pid, spy.pid])
        cpu_app, cpu_xprop = cpu_ns(app.pid) - cpu_app, cpu_ns(spy.pid) - cpu_xprop
        run.add("%d changes, %d desktops, CPU" % (burst, DESKTOPS), "%.3f s" % (cpu_app / 1e9),
                "xprop -spy %.3f s" % (cpu_xprop / 1e9), "%.1f" % (cpu_app / cpu_xprop), "≤ 2×",
                cpu_app <= 2 * cpu_xprop)

        idle(run, desk, args, app, windows[-1], idle_seconds)
        app = journal_lines(run, desk, args, app, log, pager, follower, xprop,
                            numbers[:switches // 4], final)
        if args.bus_relay:
            desk.stop_process(follow)
            desk.stop_process(app)
            relay_rows(run, desk, args, pager, (spy, xprop), start_xprop, numbers,
                       (median(ours), per_app))
        pager.close()


def journal_lines(run, desk, args, app, log, pager, follower, xprop, numbers, now):
    """Journal lines per desktop change, counted on the stderr of an instance run with --verbose
    (it replaces app, and is returned); now is the desktop shown."""
    app = restart_app(desk, args, app, log, pager, follower, xprop, now, numbers[0], verbose=True)
    settle([app.pid])
    lines = len(logged_lines(log))
    switch_reading_both(pager, follower, xprop, numbers)
    settle([app.pid])
    logged = [text for text in logged_lines(log)[lines:] if not text.startswith("quillbar: menu")]
    per_change = len(logged) / len(numbers)
    run.add("journal lines per desktop change, %d desktops" % DESKTOPS, "%.2f" % per_change,
            "—", "", "1", per_change <= 1.0)
    return app


def relay_figures(desk, program, pager, listener, start_xprop, numbers, follow_args):
    """The same switches, the title put on the bus by a relay program instead of Quillbar:
    (median latency in ms, its CPU and xprop's per change in ms, the two halves' ratios, the
    listener it leaves running)."""
    spy, xprop = listener
    relay = desk.start_process([program], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    follow = desk.start_process(follow_args, stdout=subprocess.PIPE, text=True, bufsize=1)
    follower = Lines(follow.stdout)
    # A relay answers no reads: the follower prints the first switch it hears of.
    deadline = time.monotonic() + 20
    while not follower.lines and time.monotonic() < deadline:
        pager.switch(numbers[0])
        time.sleep(0.2)
        pager.switch(numbers[1])
        time.sleep(0.2)
    settle([relay.pid])
    # As for Quillbar: half the switches with the relay listening last, half with xprop (restarted).
    half = len(numbers) // 2
    ours, theirs, _ = switch_and_time(pager, follower, xprop, numbers[:half])
    desk.stop_process(spy)
    spy, xprop = start_xprop()
    settle([relay.pid, spy.pid])
    more_ours, more_theirs, _ = switch_and_time(pager, follower, xprop, numbers[half:])
    halves = (median(more_ours) / median(more_theirs), median(ours) / median(theirs))
    settle([relay.pid, spy.pid])
    cpu_relay, cpu_xprop = cpu_ns(relay.pid), cpu_ns(spy.pid)
    switch_reading_both(pager, follower, xprop, numbers)
    settle([relay.pid, spy.pid])
    per_relay = (cpu_ns(relay.pid) - cpu_relay) / 1e6 / len(numbers)
    per_xprop = (cpu_ns(spy.pid) - cpu_xprop) / 1e6 / len(numbers)
    desk.stop_process(follow)
    desk.stop_process(relay)
    return median(ours + more_ours), (per_relay, per_xprop), halves, (spy, xprop)


def relay_rows(run, desk, args, pager, listener, start_xprop, numbers, quillbar):
    """The floors under Quillbar's latency and CPU (quillbar: its median and CPU per change):
    the bare relay, and the least Qt tray program doing the same."""
    follow_args = [args.quillbar, "--print-title", "--follow"]
    bare, (bare_cpu, _), halves, listener = relay_figures(
        desk, args.bus_relay, pager, listener, start_xprop, numbers, follow_args)
    run.add("title latency, 12 windows: median, a bare relay to the bus", "%.2f ms" % bare, "", "",
            "", None)
    run.add("  the same, xprop listening after / before the relay", "", "", "%.2f / %.2f" % halves,
            "", None)
    run.add("(Quillbar's median against the relay's)", "%.2f ms" % quillbar[0],
            "relay %.2f ms" % bare, "%.2f" % (quillbar[0] / bare), "≤ 1.3×",
            quillbar[0] <= 1.3 * bare)
    if not args.qt_relay:
        return listener
    qt, (qt_cpu, xprop_cpu), _, listener = relay_figures(
        desk, args.qt_relay, pager, listener, start_xprop, numbers, follow_args)
    run.add("the least Qt tray program doing the same: median", "%.2f ms" % qt,
            "relay %.2f ms" % bare, "%.2f" % (qt / bare), "", None)
    run.add("  its CPU per desktop change", "%.3f ms" % qt_cpu, "xprop -spy %.3f ms" % xprop_cpu,
            "%.1f" % (qt_cpu / xprop_cpu), "", None)
    run.add("(Quillbar's median, CPU against the Qt tray's)", "%.2f ms, %.3f ms" % quillbar,
            "", "%.2f, %.1f" % (quillbar[0] / qt, quillbar[1] / qt_cpu), "", None)
    return listener


def rename_until(desk, window, stop):
    """Renames the window three times a second, as a terminal showing a clock would."""
    count = 0
    while not stop.wait(1 / 3.0):
        count += 1
        desk.xdotool("set_window", "--name", "busy %d" % count, str(window), check=False)


def wakeups(pids, seconds, period=0.01):
    """Per process: wake-ups (runs of samples in which it switched context) and switches."""
    last = {pid: context_switches(pid) for pid in pids}
    first = dict(last)
    awake = {pid: False for pid in pids}
    episodes = {pid: 0 for pid in pids}
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        time.sleep(period)
        for pid in pids:
            now = context_switches(pid)
            if now != last[pid] and not awake[pid]:
                episodes[pid] += 1
            awake[pid], last[pid] = now != last[pid], now
    return {pid: (episodes[pid], last[pid] - first[pid]) for pid in pids}


def idle(run, desk, args, app, active, seconds):
    tray = desk.start_process([args.minimal_tray], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    desk.xdotool("windowactivate", str(active), check=False)
    stop = threading.Event()
    renamer = threading.Thread(target=rename_until, args=(desk, active, stop))
    renamer.start()
    try:
        time.sleep(1.0)  # the minimal program has docked and drawn
        counts = wakeups([app.pid, tray.pid], seconds)
    finally:
        stop.set()
        renamer.join()
    per_minute = 60.0 / seconds
    (ours, ours_raw), (theirs, theirs_raw) = counts[app.pid], counts[tray.pid]
    # The 5-second refresh timer wakes the program 12 times a minute; one more for where the
    # window falls on the timer's phase.
    run.add("wake-ups per minute, idle, a foreign window active and renaming",
            "%.0f (%.0f switches)" % (ours * per_minute, ours_raw * per_minute),
            "minimal tray %.0f (%.0f)" % (theirs * per_minute, theirs_raw * per_minute), "",
            "≤ 12 (the 5 s timer)", ours * per_minute <= 13)


def spawn_ms(args, env):
    start = time.perf_counter()
    pid = os.posix_spawn(args[0], args, env, file_actions=[
        (os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0)])
    _, status = os.waitpid(pid, 0)
    took = 1000 * (time.perf_counter() - start)
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError("%s failed" % args)
    return took


def start_up(run, args):
    """One call of --print-title; start to first title and idle memory against the tray."""
    repetitions = 3 if args.quick else 7
    calls = 20 if args.quick else 60
    with Desktop(desktops=4) as desk:
        prepare(desk)
        desk.start_tray()
        watcher = DockWatcher(desk.env["DISPLAY"])
        starts = {"quillbar": [], "minimal": []}
        memory = {"quillbar": [], "minimal": []}
        for _ in range(repetitions):
            for word, program in (("quillbar", args.quillbar), ("minimal", args.minimal_tray)):
                watcher.drain()
                begin = time.monotonic()
                proc = desk.start_process([program], stdout=subprocess.DEVNULL,
                                          stderr=subprocess.DEVNULL)
                starts[word].append(1000 * (watcher.wait_docked(word) - begin))
                settle([proc.pid], quiet=1.0 if not args.quick else 0.5)
                memory[word].append(rss_mb(proc.pid))
                desk.stop_process(proc)
        watcher.close()
        app = desk.start_process([args.quillbar], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        desk.wait_until(lambda: desk.run([args.quillbar, "--print-title"], check=False).strip(),
                        timeout=30, message="Quillbar did not answer")
        env = desk.env
        xprop = shutil.which("xprop")
        ours, theirs, floor = [], [], []
        for _ in range(calls):
            ours.append(spawn_ms([args.quillbar, "--print-title"], env))
            theirs.append(spawn_ms([xprop, "-root", "_NET_CURRENT_DESKTOP"], env))
            floor.append(spawn_ms([shutil.which("true")], env))
        desk.stop_process(app)
    ratio = median(ours) / median(theirs)
    run.add("`quillbar --print-title`, one call", "%.2f ms" % median(ours),
            "xprop -root _NET_CURRENT_DESKTOP %.2f ms" % median(theirs), "%.2f" % ratio, "≤ 1.2×",
            ratio <= 1.2)
    run.add("(starting a program here: `true`)", "", "%.2f ms" % median(floor), "", "", None)
    ratio = median(starts["quillbar"]) / median(starts["minimal"])
    run.add("start to first title (icon docked)", "%.0f ms" % median(starts["quillbar"]),
            "minimal tray %.0f ms" % median(starts["minimal"]), "%.2f" % ratio, "≤ 1.5×",
            ratio <= 1.5)
    ratio = median(memory["quillbar"]) / median(memory["minimal"])
    run.add("idle RSS", "%.1f MB" % median(memory["quillbar"]),
            "minimal tray %.1f MB" % median(memory["minimal"]), "%.2f" % ratio, "≤ 1.3×",
            ratio <= 1.3)


def round_trips(run, path):
    """bench_x11's count of X round trips per desktop change, when it reports one."""
    figure = "X round trips per desktop change"
    counters = []
    try:
        with open(path) as report:
            counters = [b["round_trips_per_change"] for b in json.load(report).get("benchmarks", [])
                        if "round_trips_per_change" in b]
    except (TypeError, OSError, ValueError):
        pass  # no report, or one without the counter
    if not counters:
        run.add(figure, "(not reported by bench_x11)", "", "", "≤ 2", None)
        return
    run.add(figure, "%.2f" % counters[0], "", "", "≤ 2", counters[0] <= 2.0)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--quillbar", required=True)
    parser.add_argument("--minimal-tray", required=True)
    parser.add_argument("--test-window", required=True)
    parser.add_argument("--x11-json", help="bench_x11's --benchmark_out report")
    parser.add_argument("--bus-relay", help="the bare relay (bench/baseline), for the floor row")
    parser.add_argument("--qt-relay", help="the least Qt tray relay (bench/baseline), its rows")
    parser.add_argument("--quick", action="store_true", help="fewer switches, shorter idle")
    args = parser.parse_args()
    for name in ("quillbar", "minimal_tray", "test_window", "bus_relay", "qt_relay"):
        if getattr(args, name):
            setattr(args, name, os.path.abspath(getattr(args, name)))
    run = Run()
    began = time.monotonic()
    desktop_changes(run, args)
    start_up(run, args)
    round_trips(run, args.x11_json)
    run.print()
    print("(%.0f s)" % (time.monotonic() - began))
    return 1 if run.failed else 0


if __name__ == "__main__":
    sys.exit(main())
