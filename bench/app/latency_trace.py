# SPDX-License-Identifier: GPL-3.0-or-later
"""Where the title latency goes: the paced switches of app_bench.py (12 windows, 32 desktops,
xprop -spy listening after Quillbar unless --xprop-first), traced by the kernel's scheduler
events (tracefs, so it needs root), and for each switch the moments the processes on the way
woke, got a CPU and wrote. Prints medians in ms:
- for Quillbar and for xprop: the root property event reaching it, waiting for a CPU, the work
  before its GetProperty goes out, the server's answer, waiting again, and the work until the
  title leaves (Quillbar: the bus signal's sendmsg; xprop: its line's write);
- the hop a bus adds: Quillbar's send, the bus daemon's send, the follower's line.

    python3 latency_trace.py --quillbar BIN/quillbar --test-window BIN/quillbar-test-window
"""

import argparse
import os
import re
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import app_bench as ab  # noqa: E402

TRACING = "/sys/kernel/tracing/"
EVENTS = ("sched/sched_wakeup", "sched/sched_switch", "syscalls/sys_enter_sendmsg",
          "syscalls/sys_enter_write", "syscalls/sys_enter_writev")
LINE = re.compile(r"^\s*.+?-(\d+)\s+\[\d+\]\s+\S+\s+([\d.]+): (\w+)[:(] ?(.*)$")


def tracefs(path, text):
    with open(TRACING + path, "w") as out:
        out.write(text)


def trace(run):
    """Runs run() with the scheduler and the writes traced; returns (seconds, pid, kind, target).
    The tracer's clock and buffer are put back as they were."""
    with open(TRACING + "trace_clock") as text:
        clock = re.search(r"\[(\w+)\]", text.read()).group(1)
    with open(TRACING + "buffer_size_kb") as text:
        size = text.read().split()[0]
    tracefs("trace_clock", "mono")  # the clock of time.monotonic()
    tracefs("buffer_size_kb", "20000")
    tracefs("trace", "")
    for event in EVENTS:
        tracefs("events/%s/enable" % event, "1")
    try:
        run()
    finally:
        for event in EVENTS:
            tracefs("events/%s/enable" % event, "0")
    events = []
    with open(TRACING + "trace") as text:
        for line in text:
            match = LINE.match(line)
            if not match:
                continue
            pid, stamp, kind, rest = match.groups()
            # The woken task, or the one given the CPU.
            target = re.search(r"next_pid=(\d+)" if kind == "sched_switch" else r" pid=(\d+)",
                               rest) if kind.startswith("sched") else None
            events.append((float(stamp), int(pid), kind, int(target.group(1)) if target else 0))
    tracefs("trace", "")
    tracefs("trace_clock", clock)
    tracefs("buffer_size_kb", size)
    return events


class Switch:
    """The events between one request and the next."""

    def __init__(self, start, events):
        self.start, self.events = start, events

    def first(self, after, kind, pid=None, target=None):
        for stamp, who, what, whom in self.events:
            if stamp >= after and what == kind and (pid is None or who == pid) and \
                    (target is None or whom == target):
                return stamp
        return None

    def path(self, pid, final):
        """Moments of pid's way from the event to its output, or None where one is missing."""
        woken = self.first(self.start, "sched_wakeup", target=pid)
        running = woken and self.first(woken, "sched_switch", target=pid)
        asked = running and self.first(running, "sys_writev", pid=pid)
        answered = asked and self.first(asked, "sched_wakeup", target=pid)
        again = answered and self.first(answered, "sched_switch", target=pid)
        out = again and self.first(again, final, pid=pid)
        return None if out is None else (woken, running, asked, answered, again, out)


SEGMENTS = ("the event reaches it", "waits for a CPU", "works until GetProperty",
            "the server answers", "waits for a CPU again", "works until the title leaves")


def report(switches, app, xprop, follower, daemon):
    rows = {}
    for name, pid, final in (("Quillbar", app, "sys_sendmsg"), ("xprop", xprop, "sys_write")):
        for s in switches:
            moments = s.path(pid, final)
            if moments is None:
                continue
            moments = (s.start,) + moments
            spans = [b - a for a, b in zip(moments, moments[1:])] + [moments[-1] - s.start]
            for segment, span in zip(SEGMENTS + ("total",), spans):
                rows.setdefault(segment, {}).setdefault(name, []).append(span)
    print("| segment (median ms) | Quillbar | xprop |\n| --- | --- | --- |")
    for segment in SEGMENTS + ("total",):
        cells = [1000 * statistics.median(rows[segment][name]) for name in ("Quillbar", "xprop")]
        print("| %s | %.3f | %.3f |" % (segment, *cells))
    hops = []
    for s in switches:
        sent = (s.path(app, "sys_sendmsg") or (None,))[-1]
        relayed = sent and s.first(sent, "sys_sendmsg", pid=daemon)
        printed = relayed and s.first(relayed, "sys_write", pid=follower)
        if printed:
            hops.append((relayed - sent, printed - relayed))
    print("| Quillbar's signal → the bus daemon's send | %.3f | |"
          % (1000 * statistics.median(h[0] for h in hops)))
    print("| the bus daemon's send → the follower's line | %.3f | |"
          % (1000 * statistics.median(h[1] for h in hops)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--quillbar", required=True)
    parser.add_argument("--test-window", required=True)
    parser.add_argument("--switches", type=int, default=150)
    parser.add_argument("--xprop-first", action="store_true",
                        help="xprop listens before Quillbar (the server tells it second)")
    args = parser.parse_args()
    with ab.Desktop(desktops=ab.DESKTOPS) as desk:
        ab.prepare(desk)
        ab.open_windows(desk, os.path.abspath(args.test_window), 12)
        desk.start_tray()

        def start_xprop():
            spy = desk.start_process(["xprop", "-spy", "-root", "_NET_CURRENT_DESKTOP"],
                                     stdout=subprocess.PIPE, text=True, bufsize=1)
            ab.Lines(spy.stdout).wait_beyond(0)
            return spy

        spy = start_xprop() if args.xprop_first else None
        app = desk.start_process([os.path.abspath(args.quillbar)], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        desk.wait_for_icons(1)
        follow = desk.start_process([os.path.abspath(args.quillbar), "--print-title", "--follow"],
                                    stdout=subprocess.PIPE, text=True, bufsize=1)
        follower = ab.Lines(follow.stdout)
        follower.wait_beyond(0, predicate=bool)
        spy = spy or start_xprop()
        ab.settle([app.pid])
        pager = ab.X11Pager(desk.env["DISPLAY"])
        numbers = [1 if i % 2 else 2 + i // 2 % (ab.DESKTOPS - 1) for i in range(args.switches)]
        starts = []

        def switch_all():
            for number in numbers:
                mark = len(follower.lines)
                time.sleep(ab.PACE)
                starts.append(time.monotonic())
                pager.switch(number)
                follower.wait_beyond(mark)

        events = trace(switch_all)
        pager.close()
        daemon = desk.bus.pid
    bounds = starts[1:] + [float("inf")]
    switches = [Switch(start, [e for e in events if start <= e[0] < end])
                for start, end in zip(starts, bounds)]
    report(switches, app.pid, spy.pid, follow.pid, daemon)


if __name__ == "__main__":
    main()
