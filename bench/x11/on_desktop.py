"""Runs a program on a fresh desktop (Xvfb, session bus, openbox) and exits with its status.

    python3 on_desktop.py PROGRAM [ARGS...]

The program sees QUILLBAR_ON_DESKTOP=1 in its environment.
"""

import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests",
                                "e2e"))
from desktop import Desktop  # noqa: E402


def main():
    with Desktop(desktops=4) as desk:
        env = dict(desk.env, QUILLBAR_ON_DESKTOP="1")
        proc = desk.start_process(sys.argv[1:], env=env, stdin=None)
        code = proc.wait()
        desk.stop_process(proc)
    return code


if __name__ == "__main__":
    sys.exit(main())
