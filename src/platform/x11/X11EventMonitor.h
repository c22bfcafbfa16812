// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <xcb/xcb.h>

#include <QMetaObject>

#include <memory>
#include <optional>

class QSocketNotifier;

namespace quillbar {

class LocalNotificationCenter;
class X11Connection;

// Turns X events into the program's system notifications, driven by the connection's socket (no
// polling): a new current desktop is an active-space change; a new number of desktops, a new or
// vanished window manager, a RandR change or a resized root window are screen-parameter changes.
class X11EventMonitor {
public:
    // Starts listening at once; needs a Qt event loop on this thread.
    X11EventMonitor(std::shared_ptr<X11Connection> connection,
                    LocalNotificationCenter& workspaceCenter,
                    LocalNotificationCenter& defaultCenter);
    ~X11EventMonitor();
    X11EventMonitor(const X11EventMonitor&) = delete;
    X11EventMonitor& operator=(const X11EventMonitor&) = delete;

private:
    void handle(const xcb_generic_event_t& event);
    void handleRootProperty(xcb_atom_t atom);
    void watchWindowManager();
    void readSocket();

    std::shared_ptr<X11Connection> connection_;
    LocalNotificationCenter& workspaceCenter_;
    LocalNotificationCenter& defaultCenter_;
    int listener_ = 0;
    std::optional<xcb_window_t> windowManager_; // its check window, watched for destruction
    std::unique_ptr<QSocketNotifier> notifier_;
    QMetaObject::Connection aboutToBlock_;
};

} // namespace quillbar
