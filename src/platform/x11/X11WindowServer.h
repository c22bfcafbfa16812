// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowServer.h"

#include <xcb/xcb.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillbar {

class LogSink;
class X11ClientList;
class X11Connection;
class X11Displays;

// The window server on an EWMH window manager: its desktops are the spaces of the X screen's one
// display, and a window's space is its _NET_WM_DESKTOP.
class X11WindowServer final : public WindowServer {
public:
    // What the window manager says about its desktops.
    struct Desktops {
        std::uint32_t count = 0;        // at most X11Answers::kMaxDesktops
        std::uint32_t current = 0;      // zero-based
        std::vector<std::string> names; // _NET_DESKTOP_NAMES, in desktop order; may be shorter
    };

    // The most of _NET_DESKTOP_NAMES that is read, in bytes.
    static constexpr std::uint32_t kMaxDesktopNamesBytes = 64 * 1024;

    X11WindowServer(std::shared_ptr<X11Connection> connection, X11Displays& displays,
                    X11ClientList& clients, LogSink& log);
    ~X11WindowServer() override;
    X11WindowServer(const X11WindowServer&) = delete;
    X11WindowServer& operator=(const X11WindowServer&) = delete;

    // The X screen with its desktops, or null without an EWMH window manager.
    nlohmann::json copyManagedDisplaySpaces() override;
    // The kept answer itself (null without an EWMH window manager): a desktop change moves its
    // mark in place, nothing is copied.
    std::shared_ptr<const nlohmann::json> keptManagedDisplaySpaces() override;
    // Changes with every answer made afresh (new desktops, names or window manager).
    std::uint64_t keptSpacesRevision() const override { return spacesRevision_; }
    // Asks the window manager to move the window to the desktop; does not wait for it.
    void addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) override;
    // Managed windows shown on the current desktop, topmost first; null without a window manager.
    nlohmann::json copyWindowList() override;
    // The queries answered from EWMH properties; showSpace sends _NET_CURRENT_DESKTOP.
    SpaceServerAPI spaceServerAPI() override;
    // Yes: a desktop's key is its position ("msid-N"), which names it again when it returns.
    bool spaceKeysRecur() const override { return true; }

    // The desktops of a running EWMH window manager, or nullopt when none answers.
    std::optional<Desktops> desktops();
    // The current desktop (zero-based) of a running EWMH window manager, without the rest.
    std::optional<std::uint32_t> currentDesktop();
    // The desktop (zero-based, or all desktops) that holds window, or nullopt.
    std::optional<std::uint32_t> desktopOf(xcb_window_t window);

private:
    nlohmann::json copySpacesForWindow(std::int64_t windowNumber);
    void showDesktop(std::int64_t managedSpaceID);
    // Sets the desktop's entry of _NET_DESKTOP_NAMES; nullopt, or why it cannot.
    std::optional<std::string> renameDesktop(std::int64_t managedSpaceID, const std::string& name);
    // The number of desktops and their names, which change together.
    struct Layout {
        std::uint32_t count = 0;
        std::vector<std::string> names;
    };

    // Whether a window manager answers with desktops, every part of them read or kept.
    bool knowDesktops();
    // Asks for every part that no event has kept, in one round trip (two while the window
    // manager's check window is not yet known).
    void readDesktops();
    // Takes the supporting window check's answer: the live window manager's check window, or none.
    void readManager(xcb_get_property_cookie_t cookie);
    std::vector<std::string> desktopNames(xcb_get_property_cookie_t cookie, std::uint32_t count);
    std::uint32_t boundedCount(std::uint32_t claimed);
    void watch(xcb_window_t window);
    void forgetOnChange(const xcb_generic_event_t& event);
    void forgetDesktops();
    // Asks for the current desktop at once, when no question is out: the answer travels while the
    // change's notification makes its way to the refresh that reads it.
    void askForCurrentDesktop();

    // Answers are kept until an event says they changed, each part on its own: a desktop change
    // costs one question. The window manager's check window (present while it runs; we select
    // its destruction) changes with _NET_SUPPORTING_WM_CHECK; the layout with
    // _NET_NUMBER_OF_DESKTOPS or _NET_DESKTOP_NAMES; the current desktop with
    // _NET_CURRENT_DESKTOP. The _NET_WM_DESKTOP of watched windows (whose property and structure
    // events we select) is kept the same way.
    std::optional<std::optional<xcb_window_t>> manager_;
    std::optional<std::optional<Layout>> layout_;
    std::optional<std::optional<std::uint32_t>> current_;
    std::optional<xcb_get_property_cookie_t> currentRequest_; // asked, its answer not read yet
    bool currentRequestStale_ = false; // the desktop changed again after currentRequest_ went out
    // The desktops translated into the core's answer (an array of the one display), kept with
    // the layout they were made from; a new current desktop only moves its mark.
    std::shared_ptr<nlohmann::json> answer_;
    std::uint64_t spacesRevision_ = 0; // counts the answers made
    std::uint32_t displayCurrent_ = 0;
    std::map<xcb_window_t, std::optional<std::uint32_t>> windowDesktops_;
    std::set<xcb_window_t> watched_;
    int listener_ = 0;
    std::uint32_t reportedClaim_ = 0; // the last desktop count logged as too many

    std::shared_ptr<X11Connection> connection_;
    X11Displays& displays_;
    X11ClientList& clients_;
    LogSink& log_;
};

} // namespace quillbar
