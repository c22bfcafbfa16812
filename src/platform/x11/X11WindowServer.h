#pragma once

#include "platform/WindowServer.h"

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillbar {

class X11ClientList;
class X11Connection;
class X11Displays;

// The window server on an EWMH window manager: its desktops are the spaces of the X screen's one
// display, and a window's space is its _NET_WM_DESKTOP.
class X11WindowServer final : public WindowServer {
public:
    // What the window manager says about its desktops.
    struct Desktops {
        std::uint32_t count = 0;
        std::uint32_t current = 0;      // zero-based
        std::vector<std::string> names; // _NET_DESKTOP_NAMES, in desktop order; may be shorter
    };

    // The most of _NET_DESKTOP_NAMES that is read, in bytes.
    static constexpr std::uint32_t kMaxDesktopNamesBytes = 64 * 1024;

    X11WindowServer(std::shared_ptr<X11Connection> connection, X11Displays& displays,
                    X11ClientList& clients);
    ~X11WindowServer() override;
    X11WindowServer(const X11WindowServer&) = delete;
    X11WindowServer& operator=(const X11WindowServer&) = delete;

    // The X screen with its desktops, or null without an EWMH window manager.
    nlohmann::json copyManagedDisplaySpaces() override;
    // Asks the window manager to move the window to the desktop; does not wait for it.
    void addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) override;
    // Managed windows shown on the current desktop, topmost first; null without a window manager.
    nlohmann::json copyWindowList() override;
    // The queries answered from EWMH properties; showSpace sends _NET_CURRENT_DESKTOP.
    SpaceServerAPI spaceServerAPI() override;

    // The desktops of a running EWMH window manager, or nullopt when none answers.
    std::optional<Desktops> desktops();
    // The desktop (zero-based, or all desktops) that holds window, or nullopt.
    std::optional<std::uint32_t> desktopOf(xcb_window_t window);

private:
    nlohmann::json copySpacesForWindow(std::int64_t windowNumber);
    void showDesktop(std::int64_t managedSpaceID);
    std::optional<Desktops> readDesktops();
    std::vector<std::string> readDesktopNames(std::uint32_t count);
    void watch(xcb_window_t window);
    void forgetOnChange(const xcb_generic_event_t& event);

    // Answers are kept until an event says they changed: the root's desktop properties and the
    // _NET_WM_DESKTOP of watched windows (whose property and structure events we select).
    std::optional<std::optional<Desktops>> desktops_;
    std::map<xcb_window_t, std::optional<std::uint32_t>> windowDesktops_;
    std::set<xcb_window_t> watched_;
    int listener_ = 0;

    std::shared_ptr<X11Connection> connection_;
    X11Displays& displays_;
    X11ClientList& clients_;
};

} // namespace quillbar
