// SPDX-License-Identifier: GPL-3.0-or-later
// Quillbar inside GNOME Shell: the workspace service Quillbar reads and switches through, and
// the top-bar button that shows Quillbar's title with its menu. Shared by both entry points; the
// shell's own modules (main, panelMenu, popupMenu) differ between GNOME versions and are handed in.
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Meta from 'gi://Meta';
import St from 'gi://St';
import Clutter from 'gi://Clutter';
import Gettext from 'gettext';

const SHELL_NAME = 'org.quillbar.Shell';
const SHELL_PATH = '/org/quillbar/Shell';
const APP_NAME = 'org.quillbar.Quillbar';
const APP_PATH = '/org/quillbar/Quillbar';
const APP_IFACE = 'org.quillbar.Quillbar';
const MENU_IFACE = 'org.quillbar.Quillbar.Menu';

// Everything Quillbar sends is cut to these before it reaches the panel.
export const MAX_ROWS = 300;
export const MAX_TEXT = 200; // characters (code points) of a row
export const MAX_TITLE = 80;
const CALL_TIMEOUT_MS = 5000;
// SetWorkspaceName takes no workspace beyond this index and no longer name (UTF-8 bytes).
export const MAX_NAMED_INDEX = 255;
export const MAX_NAME_BYTES = 1024;

const SERVICE_XML = `<node>
  <interface name="org.quillbar.Shell.Workspaces">
    <method name="GetWorkspaces">
      <arg type="as" name="names" direction="out"/>
      <arg type="u" name="active" direction="out"/>
    </method>
    <method name="Activate">
      <arg type="u" name="index" direction="in"/>
    </method>
    <method name="SetWorkspaceName">
      <arg type="i" name="index" direction="in"/>
      <arg type="s" name="name" direction="in"/>
    </method>
    <signal name="WorkspacesChanged">
      <arg type="as" name="names"/>
      <arg type="u" name="active"/>
    </signal>
    <property name="TopBarButton" type="b" access="read"/>
  </interface>
</node>`;

function warn(message) {
    console.warn(`quillbar: ${message}`);
}

// Runs a callback from the shell or the bus; a fault is logged, never thrown into the shell.
function guarded(what, callback) {
    return (...args) => {
        try {
            return callback(...args);
        } catch (e) {
            warn(`${what} failed: ${e}`);
            return undefined;
        }
    };
}

// Text from outside as one short line: control characters become spaces, at most max code points.
export function cleanText(value, max = MAX_TEXT) {
    if (typeof value !== 'string')
        return '';
    const head = Array.from(value.slice(0, 4 * max + 4));
    const cut = head.length > max ? `${head.slice(0, max - 1).join('')}…` : head.join('');
    return cut.replace(/[\u0000-\u001f\u007f-\u009f\u2028\u2029]/g, ' ');
}

// A reply with more rows than this, or more bytes of text in the rows read, is dropped whole.
export const MAX_REPLY_ROWS = 20000;
export const MAX_REPLY_TEXT = 1 << 20; // bytes
const ROW_TYPE = '(sssbbb)';

// A string variant's text when its size is within budget.bytes (which it takes from), else null.
function boundedString(variant, budget) {
    const size = variant.get_size();
    if (size > budget.bytes)
        return null;
    budget.bytes -= size;
    return variant.get_string()[0];
}

// The rows of a GetMenu answer (the a(sssbbb) variant) that the menu shows: at most MAX_ROWS,
// each with its index in the answer (the number Choose takes back). Rows are read by index and
// only the ones shown are unpacked; sizes are checked before any text is copied. null when the
// reply is over a bound.
export function menuRows(rows) {
    if (!(rows instanceof GLib.Variant) || rows.get_type_string() !== `a${ROW_TYPE}`)
        return null;
    const count = rows.n_children();
    if (count > MAX_REPLY_ROWS)
        return null;
    const budget = {bytes: MAX_REPLY_TEXT};
    const out = [];
    for (let i = 0; i < count && out.length < MAX_ROWS; i++) {
        const row = rows.get_child_value(i);
        const kind = boundedString(row.get_child_value(0), budget);
        // The emoji of a space row already leads its text, as in the tray menu: left unread.
        const text = boundedString(row.get_child_value(1), budget);
        if (kind === null || text === null)
            return null;
        const flag = n => row.get_child_value(n).get_boolean();
        out.push({
            index: i, kind: cleanText(kind, 40), text: cleanText(text),
            checked: flag(3) && flag(4), enabled: flag(5),
        });
    }
    return out;
}

// The text of a title from a variant of any type: null unless a string within the bound.
export function titleText(variant) {
    if (!(variant instanceof GLib.Variant) || variant.get_type_string() !== 's')
        return null;
    return boundedString(variant, {bytes: MAX_REPLY_TEXT});
}

// The size of text in UTF-8, or Infinity once it is over max (counted no further).
export function utf8Bytes(text, max) {
    let bytes = 0;
    for (const character of text) {
        const code = character.codePointAt(0);
        bytes += code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        if (bytes > max)
            return Infinity;
    }
    return bytes;
}

// GNOME's "workspace-names" with the name at index: padded with "" up to it; an empty name
// leaves no empty entries at the end.
export function namedList(names, index, name) {
    const out = names.slice();
    while (out.length <= index)
        out.push('');
    out[index] = name;
    while (out.length && out[out.length - 1] === '')
        out.pop();
    return out;
}

// The name GNOME shows for a workspace without one of its own ("Workspace 3"), in the Shell's
// language: written back, it is stored as no name, so that it follows the language as before.
function gnomeDefaultName(index) {
    return Gettext.dgettext('mutter', 'Workspace %d').replace('%d', String(index + 1));
}

// Why SetWorkspaceName's name is refused, or null for one it takes.
function nameFault(name) {
    if (typeof name !== 'string')
        return 'the name is not text';
    if (name.length > MAX_NAME_BYTES || utf8Bytes(name, MAX_NAME_BYTES) > MAX_NAME_BYTES)
        return `the name is over ${MAX_NAME_BYTES} bytes`;
    if (/[\u0000-\u001f\u007f-\u009f]/.test(name))
        return 'the name has control characters';
    return null;
}

// org.quillbar.Shell.Workspaces: the workspaces in order, their names, the active one; activating
// and naming them.
class WorkspaceService {
    constructor() {
        this._manager = global.workspace_manager;
        this._topBarButton = false;
        this._last = null;
        this._idle = 0;
        this._object = Gio.DBusExportedObject.wrapJSObject(SERVICE_XML, this);
        this._object.export(Gio.DBus.session, SHELL_PATH);
        this._ownerId = Gio.bus_own_name_on_connection(Gio.DBus.session, SHELL_NAME,
            Gio.BusNameOwnerFlags.NONE, null, guarded('name', () => warn(`lost ${SHELL_NAME}`)));
        const changed = guarded('workspace change', () => this._queueChanged());
        this._managerIds = ['notify::n-workspaces', 'workspace-added', 'workspace-removed',
            'active-workspace-changed', 'workspaces-reordered']
            .map(name => this._manager.connect(name, changed));
        this._settings = new Gio.Settings({schema_id: 'org.gnome.desktop.wm.preferences'});
        this._settingsId = this._settings.connect('changed::workspace-names', changed);
        this._last = this._state();
    }

    destroy() {
        this._managerIds.forEach(id => this._manager.disconnect(id));
        this._settings.disconnect(this._settingsId);
        if (this._idle)
            GLib.source_remove(this._idle);
        this._idle = 0;
        Gio.bus_unown_name(this._ownerId);
        this._object.unexport();
    }

    _state() {
        const count = this._manager.get_n_workspaces();
        const names = [];
        for (let i = 0; i < count; i++)
            names.push(Meta.prefs_get_workspace_name(i));
        return [names, this._manager.get_active_workspace_index()];
    }

    // At most one signal per turn of the main loop, and none when nothing Quillbar sees changed.
    _queueChanged() {
        if (this._idle)
            return;
        this._idle = GLib.idle_add(GLib.PRIORITY_DEFAULT, guarded('workspace signal', () => {
            this._idle = 0;
            const state = this._state();
            if (JSON.stringify(state) !== JSON.stringify(this._last)) {
                this._last = state;
                this._object.emit_signal('WorkspacesChanged', new GLib.Variant('(asu)', state));
            }
            return GLib.SOURCE_REMOVE;
        }));
    }

    setTopBarButton(present) {
        if (this._topBarButton === present)
            return;
        this._topBarButton = present;
        this._object.emit_property_changed('TopBarButton', GLib.Variant.new_boolean(present));
        this._object.flush(); // now, not on idle: on disable the object goes away before that
    }

    get TopBarButton() {
        return this._topBarButton;
    }

    GetWorkspaces() {
        return this._state();
    }

    ActivateAsync(params, invocation) {
        try {
            const [index] = params;
            const workspace = index < this._manager.get_n_workspaces()
                ? this._manager.get_workspace_by_index(index) : null;
            if (!workspace) {
                invocation.return_dbus_error('org.quillbar.Shell.Error.NoSuchWorkspace',
                    `no workspace ${index}`);
                return;
            }
            workspace.activate(global.display.get_current_time_roundtrip());
            invocation.return_value(null);
        } catch (e) {
            warn(`Activate failed: ${e}`);
            invocation.return_dbus_error('org.quillbar.Shell.Error.Failed', String(e));
        }
    }

    // GNOME's own name for the workspace at index, as its Settings would write it; GNOME's default
// name for it, or an empty one, leaves it without.
    SetWorkspaceNameAsync(params, invocation) {
        try {
            const [index, name] = params;
            if (!Number.isInteger(index) || index < 0 || index > MAX_NAMED_INDEX ||
                index >= this._manager.get_n_workspaces()) {
                invocation.return_dbus_error('org.quillbar.Shell.Error.NoSuchWorkspace',
                    `no workspace ${index}`);
                return;
            }
            const fault = nameFault(name);
            if (fault) {
                invocation.return_dbus_error('org.quillbar.Shell.Error.InvalidName', fault);
                return;
            }
            const key = 'workspace-names';
            const own = name === gnomeDefaultName(index) ? '' : name;
            const names = namedList(this._settings.get_strv(key), index, own);
            if (!this._settings.set_strv(key, names)) {
                invocation.return_dbus_error('org.quillbar.Shell.Error.NotWritable',
                    `${key} is not writable`);
                return;
            }
            invocation.return_value(null);
        } catch (e) {
            warn(`SetWorkspaceName failed: ${e}`);
            invocation.return_dbus_error('org.quillbar.Shell.Error.Failed', String(e));
        }
    }
}

// The top-bar button: Quillbar's title, and its menu fetched from Quillbar each time it opens.
class TopBarButton {
    constructor(shell, onPresence) {
        this._shell = shell;
        this._onPresence = onPresence;
        this._owner = null;
        this._titleSub = 0;
        this._cancellable = null;
        this._button = new shell.PanelMenu.Button(0.0, 'Quillbar', false);
        this._label = new St.Label({text: '', y_align: Clutter.ActorAlign.CENTER});
        this._button.add_child(this._label);
        this._button.visible = false;
        this._placeholder();
        this._openId = this._button.menu.connect('open-state-changed',
            guarded('menu open', (_menu, open) => this._menuOpened(open)));
        shell.Main.panel.addToStatusArea('quillbar', this._button, 0, 'right');
        this._onPresence(true);
        this._watchId = Gio.bus_watch_name_on_connection(Gio.DBus.session, APP_NAME,
            Gio.BusNameWatcherFlags.NONE,
            guarded('app appeared', (_c, _n, owner) => this._appeared(owner)),
            guarded('app vanished', () => this._vanished()));
    }

    destroy() {
        Gio.bus_unwatch_name(this._watchId);
        this._vanished();
        this._button.menu.disconnect(this._openId);
        this._button.destroy();
        this._onPresence(false);
    }

    _appeared(owner) {
        this._vanished();
        this._owner = owner;
        this._titleSub = Gio.DBus.session.signal_subscribe(owner, APP_IFACE, 'MenuBarTitleChanged',
            APP_PATH, null, Gio.DBusSignalFlags.NONE,
            guarded('title signal', (_c, _s, _p, _i, _n, params) => {
                if (params.get_type_string() === '(s)')
                    this._setTitle(titleText(params.get_child_value(0)));
            }));
        const which = new GLib.Variant('(ss)', [APP_IFACE, 'MenuBarTitle']);
        this._call('org.freedesktop.DBus.Properties', 'Get', which, '(v)', reply => {
            this._setTitle(reply ? titleText(reply.get_child_value(0).get_variant()) : null);
        });
    }

    _vanished() {
        if (this._titleSub)
            Gio.DBus.session.signal_unsubscribe(this._titleSub);
        this._titleSub = 0;
        this._owner = null;
        this._cancellable?.cancel();
        this._cancellable = null;
        this._button.menu.close();
        this._button.visible = false;
    }

    _setTitle(title) {
        if (!this._owner)
            return;
        this._label.text = cleanText(title, MAX_TITLE) || 'Quillbar';
        this._button.visible = true;
    }

    // An asynchronous call to Quillbar's current owner; done(reply or null) runs unless cancelled.
    _call(iface, method, params, replyType, done, cancellable = null) {
        if (!this._owner)
            return;
        Gio.DBus.session.call(this._owner, APP_PATH, iface, method, params,
            new GLib.VariantType(replyType), Gio.DBusCallFlags.NO_AUTO_START, CALL_TIMEOUT_MS,
            cancellable, guarded(method, (connection, result) => {
                let reply = null;
                try {
                    reply = connection.call_finish(result);
                } catch (e) {
                    if (e.matches?.(Gio.IOErrorEnum, Gio.IOErrorEnum.CANCELLED))
                        return;
                    warn(`${method}: ${e.message}`);
                }
                done(reply);
            }));
    }

    _menuOpened(open) {
        this._cancellable?.cancel();
        this._cancellable = null;
        if (!open) {
            this._placeholder();
            return;
        }
        const menu = this._button.menu;
        const cancellable = this._cancellable = new Gio.Cancellable();
        this._call(MENU_IFACE, 'GetMenu', null, '(ua(sssbbb))', reply => {
            if (cancellable.is_cancelled())
                return;
            if (!reply) {
                menu.close();
                return;
            }
            const revision = reply.get_child_value(0).get_uint32();
            const shown = menuRows(reply.get_child_value(1));
            if (!shown)
                warn('GetMenu: the reply is over the bound, dropped');
            if (!shown?.length)
                menu.close();
            else
                this._fill(revision, shown);
        }, cancellable);
    }

    // Until Quillbar answers, the menu holds one inert row (an empty menu does not open at all).
    _placeholder() {
        this._button.menu.removeAll();
        const {PopupMenuItem} = this._shell.PopupMenu;
        this._button.menu.addMenuItem(new PopupMenuItem('…', {reactive: false}));
    }

    _fill(revision, rows) {
        const {PopupMenu} = this._shell;
        const menu = this._button.menu;
        menu.removeAll();
        for (const row of rows) {
            if (row.kind === 'separator') {
                menu.addMenuItem(new PopupMenu.PopupSeparatorMenuItem());
                continue;
            }
            const inert = row.kind === 'heading' || row.kind === 'text';
            const item = new PopupMenu.PopupMenuItem(row.text, {reactive: !inert});
            if (row.checked)
                item.setOrnament(PopupMenu.Ornament.CHECK);
            if (inert || !row.enabled)
                item.setSensitive(false);
            else
                item.connect('activate', guarded('row', () => this._choose(revision, row.index)));
            menu.addMenuItem(item);
        }
    }

    _choose(revision, index) {
        this._call(MENU_IFACE, 'Choose', new GLib.Variant('(uu)', [revision, index]), '()',
            () => {});
    }
}

// What an entry point enables and disables. shell = {Main, PanelMenu, PopupMenu} of this GNOME.
export class Quillbar {
    constructor(shell) {
        this._shell = shell;
        this._service = null;
        this._button = null;
    }

    enable() {
        this._service = new WorkspaceService();
        try {
            this._button = new TopBarButton(this._shell,
                present => this._service?.setTopBarButton(present));
        } catch (e) {
            warn(`no top-bar button: ${e}`);
        }
    }

    disable() {
        this._button?.destroy();
        this._button = null;
        this._service?.destroy();
        this._service = null;
    }
}
