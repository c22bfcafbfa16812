// SPDX-License-Identifier: GPL-3.0-or-later
// For the end-to-end tests only: screenshots, which GNOME 50+ refuses to other programs, and the
// pointer put at a place (GNOME 50 accelerates the remote desktop's relative motion).
import Clutter from 'gi://Clutter';
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Shell from 'gi://Shell';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

const XML = `<node><interface name="org.quillbar.TestShot">
  <method name="ScreenshotArea">
    <arg type="i" direction="in"/><arg type="i" direction="in"/>
    <arg type="i" direction="in"/><arg type="i" direction="in"/>
    <arg type="s" direction="in"/><arg type="b" direction="out"/>
  </method>
  <method name="MovePointer">
    <arg type="i" direction="in"/><arg type="i" direction="in"/>
  </method>
</interface></node>`;

export default class TestShotExtension extends Extension {
    enable() {
        this._object = Gio.DBusExportedObject.wrapJSObject(XML, this);
        this._object.export(Gio.DBus.session, '/org/quillbar/TestShot');
        this._owner = Gio.bus_own_name_on_connection(Gio.DBus.session, 'org.quillbar.TestShot',
            Gio.BusNameOwnerFlags.NONE, null, null);
    }

    disable() {
        this._pointer = null;
        Gio.bus_unown_name(this._owner);
        this._object.unexport();
    }

    MovePointer(x, y) {
        this._pointer ??= global.stage.context.get_backend().get_default_seat()
            .create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
        this._pointer.notify_absolute_motion(GLib.get_monotonic_time(), x, y);
    }

    ScreenshotAreaAsync([x, y, width, height, path], invocation) {
        try {
            const file = Gio.File.new_for_path(path);
            const stream = file.replace(null, false, Gio.FileCreateFlags.NONE, null);
            new Shell.Screenshot().screenshot_area(x, y, width, height, stream, (shot, result) => {
                try {
                    shot.screenshot_area_finish(result);
                    stream.close(null);
                    invocation.return_value(new GLib.Variant('(b)', [true]));
                } catch (e) {
                    invocation.return_dbus_error('org.quillbar.TestShot.Failed', String(e));
                }
            });
        } catch (e) {
            invocation.return_dbus_error('org.quillbar.TestShot.Failed', String(e));
        }
    }
}
