# SPDX-License-Identifier: GPL-3.0-or-later
"""Title latency on sway and on X11/openbox, in one run: from a switch request that another client
sends to the published title, through the real observer in the e2e driver.

    QUILLBAR_DRIVER=build/release/tests/e2e/driver/quillbar-driver \
        python3 bench/tiling/title_latency.py [switches]      (default 200)

On sway the request is "workspace number N" on sway's socket (the sway/i3 backend); on X11 it is a
_NET_CURRENT_DESKTOP client message to the root window, as `wmctrl -s N` sends it, with openbox
carrying it out (the X11 backend). Both go out on a connection of this script's own, so no process
start is measured. Prints the median and the 95th percentile in milliseconds for each.
"""

import ctypes
import json
import os
import socket
import statistics
import struct
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))

from desktop import Desktop  # noqa: E402
from test_x11_backend import Driver  # noqa: E402
from tiling import SwayDesktop  # noqa: E402


class SwaySocket:
    """Commands on sway's IPC socket."""

    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX)
        self.sock.connect(path)

    def switch(self, number):
        payload = ("workspace number %d" % number).encode()
        self.sock.sendall(b"i3-ipc" + struct.pack("=II", len(payload), 0) + payload)
        header = self.sock.recv(14, socket.MSG_WAITALL)
        length, _ = struct.unpack("=II", header[6:])
        json.loads(self.sock.recv(length, socket.MSG_WAITALL))

    def close(self):
        self.sock.close()


class ClientMessage(ctypes.Structure):
    """Xlib's XClientMessageEvent."""
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]


class X11Pager:
    """_NET_CURRENT_DESKTOP requests to the window manager, as a pager sends them."""

    CLIENT_MESSAGE = 33
    SUBSTRUCTURE_MASKS = (1 << 19) | (1 << 20)  # SubstructureNotify | SubstructureRedirect

    def __init__(self, display):
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XInternAtom.restype = ctypes.c_ulong
        self.x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                      ctypes.POINTER(XEvent)]
        self.x.XFlush.argtypes = self.x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.display = self.x.XOpenDisplay(display.encode())
        if not self.display:
            raise RuntimeError("cannot open display " + display)
        self.root = self.x.XDefaultRootWindow(self.display)
        self.atom = self.x.XInternAtom(self.display, b"_NET_CURRENT_DESKTOP", 0)

    def switch(self, number):
        event = XEvent()
        event.xclient.type, event.xclient.send_event = self.CLIENT_MESSAGE, 1
        event.xclient.window, event.xclient.message_type = self.root, self.atom
        event.xclient.format = 32
        event.xclient.data[0] = number - 1  # desktops count from 0 on the wire
        self.x.XSendEvent(self.display, self.root, 0, self.SUBSTRUCTURE_MASKS, ctypes.byref(event))
        self.x.XFlush(self.display)

    def close(self):
        self.x.XCloseDisplay(self.display)


def measure(driver, switcher, numbers):
    """Milliseconds from each request to the first title published after it, sorted."""
    latencies = []
    for number in numbers:
        mark = len(driver.events)
        start = time.time()
        switcher.switch(number)
        event = driver.wait_for("title", since=mark)
        latencies.append(event["t"] / 1000.0 - start * 1000.0)
    return sorted(latencies)


def report(name, latencies):
    p95 = latencies[int(round(0.95 * (len(latencies) - 1)))]
    print("%s title latency over %d switches: median %.2f ms, p95 %.2f ms" %
          (name, len(latencies), statistics.median(latencies), p95))


def on_sway(switches):
    # 1 ↔ 3, 4, 5 on the left output (workspace 2 lives on the right one).
    numbers = [1 if i % 2 else {2: 5}.get(2 + i % 3, 2 + i % 3) for i in range(switches)]
    with SwayDesktop() as desk:
        desk.env["QUILLBAR_DRIVER_BACKEND"] = "i3ipc"
        driver = Driver(desk)
        driver.wait_for("title", lambda e: e["title"] == "Desktop 1")
        sway = SwaySocket(desk.env["SWAYSOCK"])
        latencies = measure(driver, sway, numbers)
        sway.close()
        driver.quit()
    return latencies


def on_openbox(switches):
    numbers = [1 if i % 2 else (2, 3, 4)[i // 2 % 3] for i in range(switches)]
    with Desktop(desktops=4) as desk:
        driver = Driver(desk)
        driver.wait_state(lambda s: s["current"] is not None and s["title"])
        pager = X11Pager(desk.env["DISPLAY"])
        latencies = measure(driver, pager, numbers)
        pager.close()
        driver.quit()
    return latencies


def main():
    switches = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    report("sway", on_sway(switches))
    report("X11/openbox", on_openbox(switches))


if __name__ == "__main__":
    main()
