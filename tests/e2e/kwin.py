# SPDX-License-Identifier: GPL-3.0-or-later
"""KWin (kwin_wayland --virtual, or kwin_x11 on Xvfb) with given desktops, driven with dbus-send."""

import json
import os
import re
import shutil
import subprocess
import tempfile

from desktop import Desktop, Lines

SERVICE, PATH = "org.kde.KWin", "/VirtualDesktopManager"
INTERFACE = "org.kde.KWin.VirtualDesktopManager"
ENTRY = re.compile(r'struct \{\s*uint32 (\d+)\s*string "((?:[^"\\]|\\.)*)"\s*'
                   r'string "((?:[^"\\]|\\.)*)"\s*\}')


class KWin(Desktop):
    def __init__(self, wayland, desktops):
        super().__init__(desktops=len(desktops), window_manager=True)
        self.wayland, self.initial = wayland, desktops
        self._binary_dir = None

    def _start_xvfb(self):
        if not self.wayland:
            return super()._start_xvfb()
        self.private_env(QT_QPA_PLATFORM="offscreen")

    def start_window_manager(self, *extra):
        """Starts KWin (the first time with the initial desktops); waits until it answers."""
        config = os.path.join(self.env["XDG_CONFIG_HOME"], "kwinrc")
        if not os.path.exists(config):
            os.makedirs(os.path.dirname(config), exist_ok=True)
            with open(config, "w") as out:
                out.write("[Desktops]\nNumber=%d\nRows=1\n" % len(self.initial))
                for number, (ident, name) in enumerate(self.initial, 1):
                    out.write("Id_%d=%s\nName_%d=%s\n" % (number, ident, number, name))
        if self.wayland:
            # The installed binary carries a file capability that this sandbox refuses to run.
            if not self._binary_dir:
                self._binary_dir = tempfile.mkdtemp(prefix="quillbar-kwin-")
                shutil.copy("/usr/bin/kwin_wayland", self._binary_dir)
            args = [os.path.join(self._binary_dir, "kwin_wayland"), "--virtual", "--width",
                    "1280", "--height", "800", "--no-lockscreen", "--no-global-shortcuts",
                    "--no-kactivities", "--socket", "wayland-quillbar"]
        else:
            args = ["kwin_x11", "--replace"]
        owner = self.owner()
        proc = self.start_process(args + list(extra), stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        self.wait_until(lambda: self._alive(proc) and self.owner() not in (None, owner) and
                        self.desktop_list(), timeout=30, message="KWin did not start")
        self._window_manager = proc
        return proc

    def stop(self):
        super().stop()
        if self._binary_dir:
            shutil.rmtree(self._binary_dir, ignore_errors=True)
            self._binary_dir = None

    def restart(self):
        """Replaces KWin (X11: --replace; Wayland: stop, then start)."""
        old = self._window_manager
        if self.wayland:
            self.stop_process(old)
            self.start_window_manager()
        else:
            self.start_window_manager()
            old.wait(timeout=20)
            self.stop_process(old)

    def send(self, member, *args, interface=INTERFACE, check=True):
        return self.run(["dbus-send", "--session", "--print-reply", "--dest=" + SERVICE, PATH,
                         "%s.%s" % (interface, member), *args], check=check, timeout=10)

    def owner(self):
        out = self.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                        "/org/freedesktop/DBus", "org.freedesktop.DBus.GetNameOwner",
                        "string:" + SERVICE], check=False, timeout=10)
        match = re.search(r'string "([^"]+)"', out)
        return match.group(1) if match else None

    def _get(self, prop):
        return self.send("Get", "string:" + INTERFACE, "string:" + prop,
                         interface="org.freedesktop.DBus.Properties", check=False)

    def desktop_list(self):
        """[(position, id, name)] as KWin reports them; [] when it does not answer."""
        return [(int(p), i, n) for p, i, n in ENTRY.findall(self._get("desktops"))]

    def current(self):
        match = re.search(r'string "([^"]*)"', self._get("current"))
        return match.group(1) if match else None

    def set_current(self, ident):
        self.send("Set", "string:" + INTERFACE, "string:current", "variant:string:" + ident,
                  interface="org.freedesktop.DBus.Properties")

    def create(self, position, name):
        """Creates a desktop; its id."""
        before = {i for _, i, _ in self.desktop_list()}
        self.send("createDesktop", "uint32:%d" % position, "string:" + name)
        return self.wait_until(lambda: next((i for _, i, _ in self.desktop_list()
                                             if i not in before), None), message="no new desktop")

    def remove(self, ident):
        self.send("removeDesktop", "string:" + ident)

    def rename(self, ident, name):
        self.send("setDesktopName", "string:" + ident, "string:" + name)

    def window_state(self, caption, peer):
        """(desktop number, active) of the window captioned caption as KWin sees it, or None: a
        KWin script calls peer (not KWin: its calls to itself stay inside), dbus-monitor hears."""
        script = os.path.join(self._home, "probe.js")
        with open(script, "w") as out:
            out.write(PROBE % (json.dumps(caption), json.dumps(peer)))
        monitor = Lines(self, ["stdbuf", "-oL", "dbus-monitor", "--session",
                               "type='method_call',path='/probe',member='Get'"], stream="stdout")
        lines = monitor.lines
        scripting = ["dbus-send", "--session", "--print-reply", "--dest=" + SERVICE, "/Scripting"]
        try:
            ready = ["dbus-send", "--session", "--print-reply", "--dest=" + peer, "/probe",
                     "org.freedesktop.DBus.Properties.Get", "string:probe.ready", "string:-"]
            self.wait_until(lambda: self.run(ready, check=False) is not None and
                            any("probe.ready" in line for line in lines),
                            message="dbus-monitor did not start")
            self.run(scripting + ["org.kde.kwin.Scripting.loadScript", "string:" + script,
                                  "string:quillbar-probe"], check=False)
            self.run(scripting + ["org.kde.kwin.Scripting.start"], check=False)
            report = lambda: next((m for m in map(re.compile(
                r'string "probe\.(none|(\d+)\.(\d))"').search, list(lines)) if m), None)
            found = self.wait_until(report, message="the KWin script did not report")
            return (int(found.group(2)), found.group(3) == "1") if found.group(2) else None
        finally:
            self.run(scripting + ["org.kde.kwin.Scripting.unloadScript",
                                  "string:quillbar-probe"], check=False)
            monitor.stop()


# Reports the window's desktop and whether it is active, on KWin 5 and 6.
PROBE = """const six = typeof workspace.windowList === "function";
const active = six ? workspace.activeWindow : workspace.activeClient;
const found = (six ? workspace.windowList() : workspace.clientList()).filter(w => w.caption === %s);
const report = found.length === 0 ? "none" : (six ? (found[0].desktops.length ?
    found[0].desktops[0].x11DesktopNumber : 0) : found[0].desktop) + "." +
    (found[0] === active ? 1 : 0);
callDBus(%s, "/probe", "org.freedesktop.DBus.Properties", "Get", "probe." + report, "-");
"""
