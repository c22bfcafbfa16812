// SPDX-License-Identifier: GPL-3.0-or-later
// GNOME Shell 43 and 44 load extensions as scripts: this entry hands the shell's modules to the
// shared logic in quillbar.js, which it loads as a module.
/* exported init */
const {Gio} = imports.gi;
const Main = imports.ui.main;
const PanelMenu = imports.ui.panelMenu;
const PopupMenu = imports.ui.popupMenu;

class Extension {
    constructor(meta) {
        this._uri = Gio.File.new_for_path(`${meta.path}/quillbar.js`).get_uri();
        this._quillbar = null;
        this._enabled = false;
    }

    enable() {
        this._enabled = true;
        import(this._uri).then(module => {
            if (this._enabled && !this._quillbar) {
                this._quillbar = new module.Quillbar({Main, PanelMenu, PopupMenu});
                this._quillbar.enable();
            }
        }).catch(e => console.warn(`quillbar: cannot load ${this._uri}: ${e}`));
    }

    disable() {
        this._enabled = false;
        this._quillbar?.disable();
        this._quillbar = null;
    }
}

function init(meta) {
    return new Extension(meta);
}
