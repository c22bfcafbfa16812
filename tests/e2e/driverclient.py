"""Runs tests/e2e/driver/quillbar-driver on a Desktop and follows what it reports.

The driver prints one JSON object per line: "state" (title, current space, spaces, groups, seeded
anchors), "title" (at the moment a new title is published), "log" (the observer's log lines),
"ack" (a command was read), "ready" and "error". Every line carries "t", wall-clock microseconds.
"""

import json
import os
import subprocess
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DRIVER = os.environ.get(
    "QUILLBAR_DRIVER",
    os.path.join(HERE, "..", "..", "build", "tests", "e2e", "driver", "quillbar-driver"))


class Driver:
    """The driver process and everything it has reported so far."""

    def __init__(self, desktop, *args, executable=DRIVER):
        self.desktop = desktop
        self._events = []
        self._changed = threading.Condition()
        self._stderr = []
        self.proc = desktop.start_process(
            [executable, *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.PIPE, text=True, bufsize=1)
        self._readers = [threading.Thread(target=self._read, daemon=True),
                         threading.Thread(target=self._drain_stderr, daemon=True)]
        for reader in self._readers:
            reader.start()

    def _read(self):
        for line in self.proc.stdout:
            try:
                event = json.loads(line)
            except ValueError:
                event = {"event": "garbage", "text": line}
            with self._changed:
                self._events.append(event)
                self._changed.notify_all()
        with self._changed:
            self._events.append({"event": "exit"})
            self._changed.notify_all()

    def _drain_stderr(self):
        for line in self.proc.stderr:
            self._stderr.append(line)

    # Commands ------------------------------------------------------------------------------

    def send(self, command):
        """Sends one command line and waits until the driver has read it."""
        mark = self.mark()
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        ack = self.wait_for(lambda e: e["event"] == "ack" and e["command"] == command, since=mark)
        return ack["ok"]

    def quit(self, timeout=20):
        """Asks the driver to leave and returns its exit status."""
        if self.proc.poll() is None:
            self.proc.stdin.write("quit\n")
            self.proc.stdin.flush()
        code = self.proc.wait(timeout=timeout)
        for reader in self._readers:
            reader.join(timeout=timeout)
        self.desktop.stop_process(self.proc)
        return code

    # Reports -------------------------------------------------------------------------------

    def events(self, kind=None):
        with self._changed:
            return [e for e in self._events if kind is None or e["event"] == kind]

    def mark(self):
        """A position in the report: wait_for(since=mark) only looks at later events."""
        with self._changed:
            return len(self._events)

    def wait_for(self, predicate, timeout=15.0, since=0, message=""):
        """The first event at or after since that passes predicate; raises TimeoutError."""
        deadline = time.monotonic() + timeout
        with self._changed:
            while True:
                for event in self._events[since:]:
                    if event["event"] == "exit" and not predicate(event):
                        raise RuntimeError("driver exited (%s): %s" % (
                            self.proc.poll(), "".join(self._stderr[-20:])))
                    if predicate(event):
                        return event
                since = len(self._events)
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TimeoutError(message or "driver did not report it within %.1f s; last: %s"
                                       % (timeout, self._events[-3:]))
                self._changed.wait(left)

    def wait_state(self, predicate, timeout=15.0, since=0, message=""):
        """The first state report at or after since that passes predicate."""
        return self.wait_for(lambda e: e["event"] == "state" and predicate(e), timeout, since,
                             message)

    def wait_log(self, text, timeout=15.0, since=0):
        """The first log line at or after since that contains text."""
        return self.wait_for(lambda e: e["event"] == "log" and text in e["message"], timeout,
                             since, "no log line with %r" % text)

    def state(self):
        """The latest state report (None before the first)."""
        states = self.events("state")
        return states[-1] if states else None

    def logs(self):
        return [e["message"] for e in self.events("log")]
