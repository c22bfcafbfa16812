# SPDX-License-Identifier: GPL-3.0-or-later
"""Runs a program in a fresh KWin Wayland session (virtual output, private session bus, four
desktops with names of their own) and exits with its status.

    python3 on_kwin.py PROGRAM [ARGS...]

The program sees QUILLBAR_ON_DESKTOP=1 in its environment.
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests",
                                "e2e"))
from kwin import KWin  # noqa: E402

DESKTOPS = [("bench-%d" % n, "Bench %d" % n) for n in range(1, 5)]


def main():
    with KWin(wayland=True, desktops=DESKTOPS) as kde:
        env = dict(kde.env, QUILLBAR_ON_DESKTOP="1")
        proc = kde.start_process(sys.argv[1:], env=env, stdin=None)
        code = proc.wait()
        kde.stop_process(proc)
    return code


if __name__ == "__main__":
    sys.exit(main())
