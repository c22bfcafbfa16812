// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Rect.h"

#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillbar {

class X11Connection;

// The windows the window manager manages, read in one batch: _NET_CLIENT_LIST_STACKING from the
// top, with what the window list and the workspace need to know of each.
class X11ClientList {
public:
    enum class Kind { Normal, Dock, Desktop, Other };

    struct Client {
        xcb_window_t window = XCB_NONE;
        std::optional<std::uint32_t> desktop; // _NET_WM_DESKTOP
        std::optional<std::uint32_t> pid;     // _NET_WM_PID
        std::optional<double> alpha;          // _NET_WM_WINDOW_OPACITY as a fraction
        std::string wmClass;                  // the class part of WM_CLASS
        Kind kind = Kind::Normal;
        bool hidden = false;   // _NET_WM_STATE_HIDDEN (minimised)
        bool viewable = false; // mapped, and its ancestors too
        Rect bounds;           // root coordinates, frame included
    };

    struct Snapshot {
        bool hasClientList = false;                  // false: no window manager answer
        std::optional<std::uint32_t> currentDesktop; // _NET_CURRENT_DESKTOP
        std::vector<Client> clients;                 // topmost first
    };

    // Windows read at most: far more than any desktop shows, so that a hostile list stays cheap.
    static constexpr std::uint32_t kMaxClients = 4096;

    explicit X11ClientList(std::shared_ptr<X11Connection> connection);

    // Reads the managed windows (the topmost kMaxClients) in two round trips.
    Snapshot read();
    // Whether client is shown on the current desktop of snapshot.
    static bool isOnScreen(const Client& client, const Snapshot& snapshot);
    // The layer a window of that kind stands for: 0 for ordinary windows.
    static int layerOf(Kind kind);

private:
    std::shared_ptr<X11Connection> connection_;
};

} // namespace quillbar
