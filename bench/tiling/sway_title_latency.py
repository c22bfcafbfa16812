"""Title latency on sway: from a "workspace number N" command sent on sway's socket to the title
that the real observer (through the e2e driver, on the sway/i3 backend) publishes for it.

    QUILLBAR_DRIVER=build/release/tests/e2e/driver/quillbar-driver \
        python3 bench/tiling/sway_title_latency.py [switches]      (default 200)

Prints the median and the 95th percentile in milliseconds. The command goes out on a socket of
this script's own, so no process start is measured.
"""

import json
import os
import socket
import statistics
import struct
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))

from test_x11_backend import Driver  # noqa: E402
from tiling import SwayDesktop  # noqa: E402


def command(sock, text):
    payload = text.encode()
    sock.sendall(b"i3-ipc" + struct.pack("=II", len(payload), 0) + payload)
    header = sock.recv(14, socket.MSG_WAITALL)
    length, _ = struct.unpack("=II", header[6:])
    return json.loads(sock.recv(length, socket.MSG_WAITALL))


def main():
    switches = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    with SwayDesktop() as desk:
        desk.env["QUILLBAR_DRIVER_BACKEND"] = "i3ipc"
        driver = Driver(desk)
        driver.wait_for("title", lambda e: e["title"] == "Desktop 1")
        sock = socket.socket(socket.AF_UNIX)
        sock.connect(desk.env["SWAYSOCK"])
        latencies = []
        for i in range(switches):
            number = 2 + i % 3 if i % 2 == 0 else 1  # 1 ↔ 2, 3, 4 on the left output
            if number == 2:
                number = 5  # workspace 2 lives on the right output
            mark = len(driver.events)
            start = time.time()
            command(sock, "workspace number %d" % number)
            event = driver.wait_for("title", lambda e: e["title"] == "Desktop %d" % number, mark)
            latencies.append(event["t"] / 1000.0 - start * 1000.0)
        sock.close()
        driver.quit()
    latencies.sort()
    p95 = latencies[int(round(0.95 * (len(latencies) - 1)))]
    print("sway title latency over %d switches: median %.2f ms, p95 %.2f ms" %
          (len(latencies), statistics.median(latencies), p95))


if __name__ == "__main__":
    main()
