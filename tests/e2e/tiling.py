# SPDX-License-Identifier: GPL-3.0-or-later
"""sway headless (as nobody: it refuses root) and i3 on Xvfb, each with two outputs."""

import json
import os
import signal
import socket
import struct
import subprocess
import tempfile

from desktop import AS_NOBODY, NOBODY, Desktop

WATCHER = ["org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher"]
# Lets the tray host (running as nobody) and the program (root) share one session bus.
BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <listen>unix:path={socket}</listen>
  <policy context="default"><allow user="*"/></policy>
</busconfig>
"""
SWAY_CONFIG = """xwayland disable
output HEADLESS-1 resolution 800x600 position 0 0
output HEADLESS-2 resolution 800x600 position 800 0
workspace 1 output HEADLESS-1
workspace 2 output HEADLESS-2
focus output HEADLESS-1
"""
SWAY_BAR = "bar {{\n{}  position top\n  tray_output {}\n{}}}\n"


def tree_nodes(node, floating=False, workspace=None):
    """(node, floats, workspace name) of every node of a get_tree answer."""
    if node.get("type") == "workspace":
        workspace = node.get("name")
    yield node, floating, workspace
    for child in node.get("nodes", []):
        yield from tree_nodes(child, floating, workspace)
    for child in node.get("floating_nodes", []):
        yield from tree_nodes(child, True, workspace)


I3_CONFIG = """# i3 config file (v4)
fake-outputs 640x800+0+0,640x800+640+0
ipc-socket {socket}
workspace 1 output fake-0
workspace 2 output fake-1
focus_on_window_activation none
"""


class PointerDevice:
    """A virtual pointer on the seat until close(): wlrctl's own is gone before a bar asks."""

    MANAGER = b"zwlr_virtual_pointer_manager_v1"

    def __init__(self, env):
        self._socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self._socket.connect(os.path.join(env["XDG_RUNTIME_DIR"], env["WAYLAND_DISPLAY"]))
        self._buffer, self._last_id = b"", 1
        registry = self._request(1, 1)  # wl_display.get_registry
        names = {body[8:8 + struct.unpack_from("<I", body, 4)[0] - 1]: body[:4]
                 for sender, opcode, body in self._roundtrip() if sender == registry and not opcode}
        if self.MANAGER not in names:
            self.close()
            raise RuntimeError("the compositor offers no virtual pointer")
        interface = self.MANAGER + b"\0" * (4 - len(self.MANAGER) % 4)
        manager = self._request(registry, 0, names[self.MANAGER] + struct.pack(  # wl_registry.bind
            "<I", len(self.MANAGER) + 1) + interface + struct.pack("<I", 1))
        self._request(manager, 0, struct.pack("<I", 0))  # create_virtual_pointer, default seat
        self._roundtrip()

    def _request(self, target, opcode, args=b""):
        """Sends a request whose last argument is a new object; returns its id."""
        self._last_id += 1
        body = args + struct.pack("<I", self._last_id)
        self._socket.sendall(struct.pack("<II", target, (8 + len(body)) << 16 | opcode) + body)
        return self._last_id

    def _roundtrip(self):
        """(sender, opcode, arguments) of each event before the answer to a sync."""
        callback, events = self._request(1, 0), []  # wl_display.sync
        while True:
            while len(self._buffer) < 8 or len(self._buffer) < struct.unpack_from(
                    "<I", self._buffer, 4)[0] >> 16:
                data = self._socket.recv(4096)
                if not data:
                    raise RuntimeError("the compositor closed the connection")
                self._buffer += data
            sender, word = struct.unpack_from("<II", self._buffer)
            body, self._buffer = self._buffer[8:word >> 16], self._buffer[word >> 16:]
            if sender == 1 and word & 0xffff == 0:  # wl_display.error
                raise RuntimeError("Wayland error: %r" % body[12:].rstrip(b"\0"))
            if sender == callback:
                return events
            events.append((sender, word & 0xffff, body))

    def close(self):
        self._socket.close()


class TilingQueries:
    def workspaces(self):
        try:
            return json.loads(self.msg("-t", "get_workspaces", check=False) or "[]")
        except (ValueError, RuntimeError):
            return []

    def focused(self):
        return next((w["name"] for w in self.workspaces() if w["focused"]), None)

    def tree(self):
        return json.loads(self.msg("-t", "get_tree"))

    def rename_window_node(self):
        """The rename window's node (sway: while visible), with "floating" and "workspace"."""
        return next((dict(node, floating=floating, workspace=workspace)
                     for node, floating, workspace in tree_nodes(self.tree())
                     if node.get("name") == "Rename Spaces" and node.get("visible", True)), None)


class SwayDesktop(TilingQueries, Desktop):
    """bar: swaybar as tray host; status_command: a status line on the right output's bar."""

    def __init__(self, bar=False, status_command=None):
        super().__init__(window_manager=False)
        self.bar, self.status_command, self._sway = bar, status_command, None
        self._pointer = None

    def start(self):
        try:
            self._home = tempfile.mkdtemp(prefix="quillbar-sway-")
            os.chmod(self._home, 0o755)
            runtime = os.path.join(self._home, "run")
            home = os.path.join(self._home, "home")
            self.private_env(("SWAYSOCK", "I3SOCK"), HOME=home, QT_QPA_PLATFORM="wayland",
                             WAYLAND_DISPLAY="wayland-test",
                             SWAYSOCK=os.path.join(runtime, "sway-ipc.sock"),
                             WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1",
                             WLR_RENDERER="pixman", WLR_HEADLESS_OUTPUTS="2")
            os.mkdir(home)
            for path in (runtime, home):
                os.chown(path, NOBODY, NOBODY)
            self._start_bus()
            with open(os.path.join(self._home, "sway.conf"), "w") as out:
                out.write(SWAY_CONFIG + self._bars())
            self.start_sway()
        except BaseException:
            self.stop()
            raise

    def _bars(self):
        if not self.status_command:
            return SWAY_BAR.format("", "*", "") if self.bar else ""
        # The tray on the left output, the status line alone on the right one.
        return (SWAY_BAR.format("  output HEADLESS-1\n", "*", "") + SWAY_BAR.format(
            "  output HEADLESS-2\n", "none", "  status_command %s\n" % self.status_command))

    def _start_bus(self):
        socket = os.path.join(self._home, "bus")
        config = os.path.join(self._home, "bus.conf")
        with open(config, "w") as out:
            out.write(BUS_CONFIG.format(socket=socket))
        self.start_process(["dbus-daemon", "--config-file", config, "--nofork", "--nopidfile"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + socket
        self.wait_until(lambda: os.path.exists(socket), message="no session bus")

    def start_sway(self):
        socket = self.env["SWAYSOCK"]
        if os.path.exists(socket):
            os.unlink(socket)
        self.start_compositor(["sway", "-c", os.path.join(self._home, "sway.conf")],
                              lambda: os.path.exists(socket) and len(self.outputs()) == 2)

    def start_compositor(self, args, ready):
        """As nobody; it names its Wayland socket (WAYLAND_DISPLAY is its clients')."""
        env = {k: v for k, v in self.env.items() if k != "WAYLAND_DISPLAY"}
        self._sway = self.start_process([*AS_NOBODY, *args], env=env, start_new_session=True,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        sockets = lambda: [name for name in sorted(os.listdir(self.env["XDG_RUNTIME_DIR"]))
                           if name.startswith("wayland-") and not name.endswith(".lock")]
        self.wait_until(lambda: self._alive(self._sway) and ready() and sockets(),
                        message=args[0] + " did not start")
        self.env["WAYLAND_DISPLAY"] = sockets()[0]

    def stop_sway(self):
        if self._sway and self._sway.poll() is None:
            os.killpg(self._sway.pid, signal.SIGTERM)
        if self._sway:
            self.stop_process(self._sway)
            self._sway = None

    def hold_pointer(self):
        """Keeps a pointer device on the seat, so that clients started later get clicks."""
        self._pointer = PointerDevice(self.env)

    def stop(self):
        if self._pointer:
            self._pointer.close()
            self._pointer = None
        self.stop_sway()
        super().stop()

    def msg(self, *args, check=True):
        return self.run(["swaymsg", *args], check=check)

    def busctl(self, *args):
        return self.run(["busctl", "--user", "--json=short", *args], check=False)

    def tray_items(self):
        """The items registered with the tray host's StatusNotifierWatcher."""
        out = self.busctl("get-property", *WATCHER, WATCHER[0], "RegisteredStatusNotifierItems")
        return json.loads(out)["data"] if out.strip() else []

    def grim(self, *args):
        return self.run(["grim", *args], text=False)

    def pixels(self, area):
        """An area (x, y, width, height) of the screen as RGB bytes."""
        # grim's header is "P6\nW H\n255\n"; the pixels may begin with whitespace bytes.
        return self.grim("-g", "%d,%d %dx%d" % area, "-t", "ppm", "-").split(b"\n", 3)[3]

    def colours(self, area):
        """The RGB triples of an area, one per pixel."""
        pixels = self.pixels(area)
        return [pixels[i:i + 3] for i in range(0, len(pixels), 3)]

    def drawn(self, area, blank=(b"\0\0\0",)):
        """How many pixels of an area are none of the blank colours (the bar's black)."""
        return sum(1 for colour in self.colours(area) if colour not in blank)

    def grim_shot(self, name, *args):
        """Keeps a picture (grim's arguments: an area, an output) in artifacts."""
        os.makedirs(self.artifacts, exist_ok=True)
        self.grim(*args, os.path.join(self.artifacts, name + ".png"))

    def write_waybar(self, config, style):
        """waybar's configuration (a dict) and style sheet in files; their paths."""
        paths = [os.path.join(self._home, name) for name in ("waybar.json", "waybar.css")]
        with open(paths[0], "w") as out:
            json.dump(config, out)
        with open(paths[1], "w") as out:
            out.write(style)
        return paths

    def wlr_click(self, button, dx, dy):
        """Clicks with wlrctl at (dx, dy) from the layout's top right corner."""
        for args in (("move", "5000", "-5000"), ("move", str(dx), str(dy)), ("click", button)):
            self.run(["wlrctl", "pointer", *args])

    def outputs(self):
        try:
            return [o for o in json.loads(self.msg("-r", "-t", "get_outputs", check=False) or "[]")
                    if o.get("active")]
        except (ValueError, RuntimeError):
            return []


class I3Desktop(TilingQueries, Desktop):
    def __init__(self):
        super().__init__(window_manager=False, size="1280x800")
        self._i3 = None

    def start(self):
        super().start()
        try:
            socket = os.path.join(self._home, "i3-ipc.sock")
            self.env["I3SOCK"] = socket
            config = os.path.join(self._home, "i3.conf")
            with open(config, "w") as out:
                out.write(I3_CONFIG.format(socket=socket))
            self._i3 = self.start_process(["i3", "-c", config], stdout=subprocess.DEVNULL,
                                          stderr=subprocess.DEVNULL)
            self.wait_until(lambda: self._alive(self._i3) and os.path.exists(socket) and
                            len(self.workspaces()) == 2, message="i3 did not start")
        except BaseException:
            self.stop()
            raise

    def msg(self, *args, check=True):
        return self.run(["i3-msg", *args], check=check)
