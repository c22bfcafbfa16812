// SPDX-License-Identifier: GPL-3.0-or-later
// GNOME Shell 45 and later load extensions as modules: this entry hands the shell's modules to
// the shared logic in quillbar.js.
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';
import * as Main from 'resource:///org/gnome/shell/ui/main.js';
import * as PanelMenu from 'resource:///org/gnome/shell/ui/panelMenu.js';
import * as PopupMenu from 'resource:///org/gnome/shell/ui/popupMenu.js';

import {Quillbar} from './quillbar.js';

export default class QuillbarExtension extends Extension {
    enable() {
        this._quillbar = new Quillbar({Main, PanelMenu, PopupMenu});
        this._quillbar.enable();
    }

    disable() {
        this._quillbar?.disable();
        this._quillbar = null;
    }
}
