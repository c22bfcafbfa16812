// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Workspace.h"

#include <xcb/xcb.h>

#include <memory>

namespace quillbar {

class X11ClientList;
class X11Connection;
class X11Displays;

// Applications as processes that own windows: the frontmost one owns _NET_ACTIVE_WINDOW, a name is
// the windows' WM_CLASS class (else the process name), and activating one activates its topmost
// window.
class X11Workspace final : public Workspace {
public:
    X11Workspace(std::shared_ptr<X11Connection> connection, X11Displays& displays,
                 X11ClientList& clients);

    // The owner of the active window, or nullopt.
    std::optional<RunningApplication> frontmostApplication() override;
    // The process with that id while it lives, named after its windows' class or its process name.
    std::optional<RunningApplication> runningApplication(std::int32_t processIdentifier) override;
    // Activates the application's topmost window on the current desktop (else its topmost window
    // anywhere, after showing that window's desktop); false when it has no window.
    bool activate(std::int32_t processIdentifier) override;
    // Nothing to do: desktops are switched directly, never through a window of our own.
    void activateOwnApplication() override {}
    // getpid().
    std::int32_t ownProcessIdentifier() override;
    // The X screen's screen when one of our windows is active, else nullopt.
    std::optional<Screen> keyWindowScreen() override;
    // Same as keyWindowScreen(): on X11 the key window is the main window.
    std::optional<Screen> mainWindowScreen() override { return keyWindowScreen(); }
    // Always nullptr: desktops are switched directly (the core asks for no anchors).
    std::unique_ptr<AnchorWindow> createAnchorWindow(const Rect& contentRect) override;

private:
    std::optional<xcb_window_t> activeWindow();

    std::shared_ptr<X11Connection> connection_;
    X11Displays& displays_;
    X11ClientList& clients_;
};

} // namespace quillbar
