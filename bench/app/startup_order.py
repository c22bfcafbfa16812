"""Writes src/app/startup-order.txt: the sections of the functions quillbar-app runs while it
starts, follows a few desktop changes and idles, for the link to place them together.

    python3 bench/app/startup_order.py build/release/src/app/quillbar-app

Runs the application under callgrind on a private X desktop (Xvfb, openbox, trayer); needs a
build with -ffunction-sections (the default) and valgrind.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))
from desktop import Desktop  # noqa: E402

OUT = os.path.join(HERE, "..", "..", "src", "app", "startup-order.txt")


def executed_functions(profile, binary):
    """Mangled names of the functions of binary that ran, from a callgrind profile."""
    objects, functions, names, current = {}, {}, set(), None
    for line in open(profile, errors="replace"):
        found = re.match(r"^(c?)ob=\((\d+)\)(?: (.*))?$", line)
        if found:
            if found.group(3):
                objects[found.group(2)] = found.group(3).strip()
            if not found.group(1):
                current = objects.get(found.group(2))
            continue
        found = re.match(r"^(c?)fn=\((\d+)\)(?: (.*))?$", line)
        if found:
            if found.group(3):
                functions[found.group(2)] = found.group(3).strip()
            name = re.sub(r"'\d+$", "", functions[found.group(2)])
            if not found.group(1) and current == binary and re.match(r"^[A-Za-z_]", name):
                names.add(name)
    return names


def with_bodies(names):
    """The names, and for each complete constructor or destructor (C1, D1) the base one (C2,
    D2): GCC emits one body, in the base one's section, under both symbols."""
    bodies = set(names)
    for name in names:
        bodies.add(re.sub(r"(\d[A-Za-z0-9_]*?)C1E", r"\1C2E", name, count=1))
        bodies.add(re.sub(r"D1Ev", "D2Ev", name, count=1))
    return bodies


def main():
    binary = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as scratch, Desktop(desktops=4) as desk:
        desk.start_tray()
        # The first launch opens the rename window; the profile is of a later one.
        first = desk.start_process([binary], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(2)
        desk.stop_process(first)
        profile = os.path.join(scratch, "callgrind.out")
        app = desk.start_process([shutil.which("valgrind"), "--tool=callgrind", "--demangle=no",
                                  "--callgrind-out-file=" + profile, binary],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(15)  # started under valgrind, and one 5 s refresh
        for desktop in (1, 2, 3, 0, 2):
            desk.wmctrl("-s", str(desktop))
            time.sleep(1.5)
        time.sleep(6)
        desk.stop_process(app)
        names = executed_functions(profile, binary)
    with open(OUT, "w") as out:
        # Static initialisers and main, which GCC names alike in every file, first.
        out.write(".text.startup\n.text.startup.*\n")
        out.writelines(".text.%s\n" % name for name in sorted(with_bodies(names)))
    print("%d functions in %s" % (len(names), os.path.relpath(OUT)))


if __name__ == "__main__":
    main()
