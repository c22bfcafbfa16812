# SPDX-License-Identifier: GPL-3.0-or-later
"""Runs a program on a fresh desktop (Xvfb, session bus, openbox) and exits with its status.

    python3 on_desktop.py PROGRAM [ARGS...]

The program sees QUILLBAR_ON_DESKTOP=1 in its environment. The desktop shows 12 ordinary windows
of this script's process on every desktop, the last one active, as a user's session would: the
window manager's answers then cost what they cost with other applications open.
"""

import ctypes
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests",
                                "e2e"))
from desktop import Desktop  # noqa: E402

WINDOWS = 12
ALL_DESKTOPS = 0xFFFFFFFF


class ForeignWindows:
    """Ordinary windows owned by this process (another process than the benchmark's)."""

    def __init__(self, display, count):
        x = self.x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XCreateSimpleWindow.restype = ctypes.c_ulong
        x.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                          ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                          ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
        x.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                      ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                      ctypes.c_void_p, ctypes.c_int]
        x.XStoreName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_char_p]
        x.XMapWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.display = x.XOpenDisplay(display.encode())
        if not self.display:
            raise RuntimeError("cannot open display " + display)
        root = x.XDefaultRootWindow(self.display)
        cardinal = x.XInternAtom(self.display, b"CARDINAL", 0)
        pid_atom = x.XInternAtom(self.display, b"_NET_WM_PID", 0)
        desktop_atom = x.XInternAtom(self.display, b"_NET_WM_DESKTOP", 0)
        for i in range(count):
            window = x.XCreateSimpleWindow(self.display, root, 40 + 20 * i, 40 + 20 * i, 400,
                                           300, 0, 0, 0xffffff)
            for atom, value in ((pid_atom, os.getpid()), (desktop_atom, ALL_DESKTOPS)):
                data = ctypes.c_long(value)
                x.XChangeProperty(self.display, window, atom, cardinal, 32, 0,
                                  ctypes.byref(data), 1)
            x.XStoreName(self.display, window, b"window %d" % i)
            x.XMapWindow(self.display, window)  # openbox gives the newest the focus
        x.XSync(self.display, 0)

    def close(self):
        self.x.XCloseDisplay(self.display)


def main():
    with Desktop(desktops=4) as desk:
        windows = ForeignWindows(desk.env["DISPLAY"], WINDOWS)
        desk.wait_until(lambda: desk.active_window(), message="no window became active")
        env = dict(desk.env, QUILLBAR_ON_DESKTOP="1")
        proc = desk.start_process(sys.argv[1:], env=env, stdin=None)
        code = proc.wait()
        desk.stop_process(proc)
        windows.close()
    return code


if __name__ == "__main__":
    sys.exit(main())
