# SPDX-License-Identifier: GPL-3.0-or-later
"""gnome.py's bus client (python3-gi): JSON requests on stdin ({"op", "id", ...}), answers and
{"event"} lines on stdout; it also stands in for Quillbar and for the portal's settings."""

import json
import sys

from gi.repository import Gio, GLib

APP_XML = """<node>
  <interface name="org.quillbar.Quillbar">
    <property name="MenuBarTitle" type="s" access="read"/>
    <signal name="MenuBarTitleChanged"><arg type="s" name="title"/></signal>
  </interface>
  <interface name="org.quillbar.Quillbar.Menu">
    <method name="GetMenu">
      <arg type="u" direction="out"/><arg type="a(sssbbb)" direction="out"/>
    </method>
    <method name="Choose"><arg type="u" direction="in"/><arg type="u" direction="in"/></method>
  </interface>
</node>"""
APP_NAME, APP_PATH = "org.quillbar.Quillbar", "/org/quillbar/Quillbar"
RD_NAME = "org.gnome.Mutter.RemoteDesktop"
# Qt's window decorations on Wayland take their buttons from the portal: answered from dconf.
PORTAL_XML = """<node>
  <interface name="org.freedesktop.portal.Settings">
    <method name="ReadAll">
      <arg type="as" direction="in"/><arg type="a{sa{sv}}" direction="out"/>
    </method>
    <method name="ReadOne">
      <arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="v" direction="out"/>
    </method>
    <property name="version" type="u" access="read"/>
  </interface>
</node>"""
PORTAL_KEYS = {"org.gnome.desktop.wm.preferences": ["button-layout", "titlebar-font"]}


def out(message):
    sys.stdout.write(json.dumps(message) + "\n")
    sys.stdout.flush()


class Client:
    def __init__(self):
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        self.app = None  # the stand-in's state
        self.session = None  # the remote desktop session's object path
        self.screenshot_name = Gio.bus_own_name_on_connection(
            self.bus, "org.gnome.Screenshot", Gio.BusNameOwnerFlags.NONE, None, None)
        self.bus.register_object("/org/freedesktop/portal/desktop",
                                 Gio.DBusNodeInfo.new_for_xml(PORTAL_XML).interfaces[0],
                                 self._portal_method, lambda *_a: GLib.Variant("u", 2), None)
        self.portal_name = Gio.bus_own_name_on_connection(
            self.bus, "org.freedesktop.portal.Desktop", Gio.BusNameOwnerFlags.NONE, None, None)

    @staticmethod
    def _portal_values(namespace):
        if namespace == "org.freedesktop.appearance":
            return {"color-scheme": GLib.Variant("u", 0)}
        keys = PORTAL_KEYS.get(namespace, [])
        settings = Gio.Settings.new(namespace) if keys else None
        return {key: settings.get_value(key) for key in keys}

    def _portal_method(self, _bus, _sender, _path, _iface, method, params, invocation):
        if method == "ReadAll":
            wanted = params.unpack()[0]
            names = set(PORTAL_KEYS) | {"org.freedesktop.appearance"}
            answer = {ns: self._portal_values(ns) for ns in names if not wanted or ns in wanted}
            invocation.return_value(GLib.Variant("(a{sa{sv}})", (answer,)))
            return
        namespace, key = params.unpack()
        value = self._portal_values(namespace).get(key)
        if value is None:
            invocation.return_dbus_error("org.freedesktop.portal.Error.NotFound", key)
        else:
            invocation.return_value(GLib.Variant("(v)", (value,)))

    def handle(self, request):
        ident = request.get("id")
        try:
            getattr(self, "op_" + request["op"])(request, lambda result=None: out(
                {"id": ident, "result": result}), lambda error: out({"id": ident, "error": error}))
        except Exception as e:  # a bad request is the test's fault; say so and go on
            out({"id": ident, "error": "client: %r" % e})

    def _call(self, dest, path, iface, method, params, done, fail, reply_type=None):
        def finished(bus, result):
            try:
                done(bus.call_finish(result).unpack())
            except GLib.Error as e:
                name = Gio.DBusError.get_remote_error(e)
                Gio.DBusError.strip_remote_error(e)
                fail("%s: %s" % (name, e.message) if name else e.message)
        self.bus.call(dest, path, iface, method, params,
                      GLib.VariantType(reply_type) if reply_type else None,
                      Gio.DBusCallFlags.NO_AUTO_START, 20000, None, finished)

    @staticmethod
    def _argument(value):
        """{"v": value} is a variant holding value, typed by its Python type."""
        if isinstance(value, dict) and set(value) == {"v"}:
            inner = value["v"]
            kind = {bool: "b", int: "i", float: "d", str: "s"}[type(inner)]
            return GLib.Variant(kind, inner)
        return value

    def op_call(self, r, done, fail):
        args = tuple(self._argument(a) for a in r.get("args", []))
        params = GLib.Variant(r["signature"], args) if r.get("signature") else None
        self._call(r["dest"], r["path"], r["interface"], r["method"], params,
                   lambda v: done(list(v)), fail)

    def op_watch(self, r, done, fail):
        def heard(_bus, sender, path, iface, member, params):
            out({"event": "signal", "sender": sender, "path": path, "interface": iface,
                 "member": member, "args": list(params.unpack())})
        self.bus.signal_subscribe(r.get("sender"), r.get("interface"), r.get("member"), None,
                                  None, Gio.DBusSignalFlags.NONE, heard)
        # A round trip, so that the match rule is in place when this answers.
        self.bus.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                      "GetId", None, None, Gio.DBusCallFlags.NONE, -1, None,
                      lambda bus, res: (bus.call_finish(res), done()))

    def op_screenshot(self, r, done, fail):
        area = (r["x"], r["y"], r["width"], r["height"])
        if r.get("helper"):
            name, path, params = "org.quillbar.TestShot", "/org/quillbar/TestShot", GLib.Variant(
                "(iiiis)", area + (r["file"],))
        else:
            name, path = "org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot"
            params = GLib.Variant("(iiiibs)", area + (False, r["file"]))
        self._call(name, path, name, "ScreenshotArea", params,
                   lambda v: done(r["file"]) if v[0] else fail("screenshot refused"), fail)

    def op_input(self, r, done, fail):
        if r.pop("new_session", False):
            self.session = None
        if self.session is None:
            def created(v):
                self.session = v[0]
                self._call(RD_NAME, self.session, RD_NAME + ".Session", "Start", None,
                           lambda _v: self.op_input(r, done, fail), fail)
            self._call(RD_NAME, "/org/gnome/Mutter/RemoteDesktop", RD_NAME, "CreateSession",
                       None, created, fail)
            return
        steps = list(r["steps"])

        def step(_v=None):
            if not steps:
                return done()
            kind, *args = steps.pop(0)
            member, signature = {"move": ("NotifyPointerMotionRelative", "(dd)"),
                                 "button": ("NotifyPointerButton", "(ib)"),
                                 "key": ("NotifyKeyboardKeysym", "(ub)")}[kind]
            self._call(RD_NAME, self.session, RD_NAME + ".Session", member,
                       GLib.Variant(signature, tuple(args)), step, fail)
        step()

    def op_settings(self, r, done, fail):
        for schema, key, value in r["values"]:
            settings = Gio.Settings.new(schema)
            if not settings.set_value(key, GLib.Variant.parse(None, value, None, None)):
                return fail("cannot set %s %s" % (schema, key))
        Gio.Settings.sync()
        done()

    # The stand-in Quillbar: each GetMenu and Choose it answers is reported as an event.
    def op_serve_app(self, r, done, fail):
        if self.app is None:
            node = Gio.DBusNodeInfo.new_for_xml(APP_XML)
            self.app = {"title": r.get("title", ""), "rows": r.get("rows", []), "raw": None,
                        "revision": 0, "choose_error": None, "owner": 0}
            for iface in node.interfaces:
                self.bus.register_object(APP_PATH, iface, self._app_method, self._app_get, None)
        self.app["title"] = r.get("title", self.app["title"])
        self.app["rows"] = r.get("rows", self.app["rows"])
        if not self.app["owner"]:
            self.app["owner"] = Gio.bus_own_name_on_connection(
                self.bus, APP_NAME, Gio.BusNameOwnerFlags.NONE, lambda *a: done(), None)
        else:
            done()

    def op_release_app(self, r, done, fail):
        if self.app and self.app["owner"]:
            Gio.bus_unown_name(self.app["owner"])
            self.app["owner"] = 0
        done()

    def op_set_title(self, r, done, fail):
        title = r["title"]
        if isinstance(title, str):
            self.app["title"] = title
            params = GLib.Variant("(s)", (title,))
        else:
            params = GLib.Variant.parse(None, r["title"]["raw"], None, None)
        self.bus.emit_signal(None, APP_PATH, "org.quillbar.Quillbar", "MenuBarTitleChanged",
                             params)
        done()

    def op_set_menu(self, r, done, fail):
        self.app["rows"] = r.get("rows", [])
        self.app["raw"] = r.get("raw")
        # rows, raw (GetMenu's answer as GVariant text of any type) or count rows made once.
        count = r.get("count")
        self.app["many"] = GLib.Variant("a(sssbbb)", [
            ("space", "Space %d" % i, "", True, False, True) for i in range(count)]) \
            if count else None
        self.app["choose_error"] = r.get("choose_error")
        done()

    def _app_get(self, _bus, _sender, _path, _iface, prop):
        return GLib.Variant("s", self.app["title"]) if prop == "MenuBarTitle" else None

    def _app_method(self, _bus, _sender, _path, _iface, method, params, invocation):
        if method == "GetMenu":
            self.app["revision"] += 1
            revision = self.app["revision"]
            out({"event": "GetMenu", "revision": revision})
            if self.app["raw"]:
                body = GLib.Variant.parse(None, self.app["raw"], None, None)
            elif self.app.get("many"):
                body = GLib.Variant.new_tuple(GLib.Variant.new_uint32(revision),
                                              self.app["many"])
            else:
                body = GLib.Variant("(ua(sssbbb))",
                                    (revision, [tuple(row) for row in self.app["rows"]]))
            # Sent as it is: the reply may be of any type, as a faulty program's could be.
            reply = Gio.DBusMessage.new_method_reply(invocation.get_message())
            reply.set_body(body)
            self.bus.send_message(reply, Gio.DBusSendMessageFlags.NONE)
        elif method == "Choose":
            revision, row = params.unpack()
            out({"event": "Choose", "revision": revision, "row": row})
            if self.app["choose_error"]:
                invocation.return_dbus_error(self.app["choose_error"], "refused")
            else:
                invocation.return_value(None)


def main():
    client = Client()
    loop = GLib.MainLoop()

    def readable(stream, _condition):
        line = stream.readline()
        if not line:
            loop.quit()
            return False
        client.handle(json.loads(line))
        return True
    GLib.io_add_watch(sys.stdin, GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP, readable)
    out({"event": "ready"})
    loop.run()


if __name__ == "__main__":
    main()
