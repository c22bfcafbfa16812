// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/SettingsView.h"

#include <QObject>
#include <QPointer>

namespace quillbar {

class Defaults;
class DesktopNameSharing;
class SpaceNameStore;
class SpaceObserver;

// Owns the "Rename Spaces" window: creates it on the first show(), afterwards only shows and hides
// it, so its rows and their state last as long as the controller (the application keeps one).
class SettingsWindowController : public QObject {
    Q_OBJECT
public:
    // A controller without a window yet.
    explicit SettingsWindowController(QObject* parent = nullptr);
    // Closes and deletes the window.
    ~SettingsWindowController() override;

    // Gives the controller the defaults that hold the first-run flag; call before the first show().
    // Without them the window starts without its first-run hint.
    void setDefaults(Defaults& defaults);
    // Gives the window the sharing of names with the desktop (its checkbox); call before the
    // first show(). Without it the window has no such checkbox.
    void setNameSharing(DesktopNameSharing& sharing) { sharing_ = &sharing; }

    // Creates the window if needed (from these arguments), refreshes the observer, shows the
    // window on the current space (moving it there when it was open on another), raises and
    // activates it, then emits renameWindowDidShow().
    void show(SpaceObserver& observer, SpaceNameStore& nameStore);

    // The window's view, or null before the first show().
    SettingsView* view() const { return window_; }

signals:
    // Emitted after every show(); the view refreshes and focuses the current row on it.
    void renameWindowDidShow();

private:
    void createWindow(SpaceObserver& observer, SpaceNameStore& nameStore);
    // Asks the window server to put the window on the current desktop; false without one.
    bool bringToCurrentSpace(SpaceObserver& observer);

    Defaults* defaults_ = nullptr;
    DesktopNameSharing* sharing_ = nullptr;
    QPointer<SettingsView> window_;
};

} // namespace quillbar
