// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Rect.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillbar {

// The pure part of the X11 backend: how X11 facts become the answers the core reads.
class X11Answers {
public:
    // What the window list says about one window.
    struct WindowFacts {
        std::optional<std::int64_t> ownerPID; // _NET_WM_PID
        int layer = 0;
        std::optional<double> alpha; // _NET_WM_WINDOW_OPACITY as a fraction
        Rect bounds;                 // root coordinates, frame included
    };

    // _NET_WM_DESKTOP of a window shown on every desktop.
    static constexpr std::uint32_t kAllDesktops = 0xFFFFFFFF;
    // The most desktops read from one screen: any client may write _NET_NUMBER_OF_DESKTOPS, and
    // every desktop costs a record, a menu row and a rename row.
    static constexpr std::uint32_t kMaxDesktops = 256;

    // The number of desktops read when the window manager claims claimed of them.
    static std::uint32_t boundedDesktopCount(std::uint32_t claimed);

    // The display identifier of an X screen: a name-based UUID (upper-case 8-4-4-4-12) that is the
    // same for the same host, display number and screen on every launch.
    static std::string displayIdentifier(const std::string& host, int displayNumber, int screen);
    // The monitor name stored in an EDID block (display descriptor 0xFC), or nullopt.
    static std::optional<std::string> edidMonitorName(std::span<const std::uint8_t> edid);
    // A managed-display dictionary for an X screen with desktopCount desktops (at most
    // kMaxDesktops of them), of which currentDesktop (zero-based) is shown. Desktop i is the space
    // with "ManagedSpaceID" i + 1, and "Name" names[i] when that is there and not empty.
    static nlohmann::json managedDisplay(const std::string& identifier, std::uint32_t desktopCount,
                                         std::uint32_t currentDesktop,
                                         std::span<const std::string> names = {});
    // Makes a managedDisplay() answer say that currentDesktop (zero-based) is shown, as
    // managedDisplay() would have said it: a desktop change leaves the rest as it was.
    static void setCurrentDesktop(nlohmann::json& display, std::uint32_t currentDesktop);
    // The desktop names in a _NET_DESKTOP_NAMES value (NUL-terminated texts, the last terminator
    // optional), at most maxCount of them; the bytes as they are (the core repairs them).
    static std::vector<std::string> desktopNames(std::string_view property, std::size_t maxCount);
    // The _NET_DESKTOP_NAMES value that gives desktop index (zero-based, below desktopCount) the
    // name and every other desktop the name it has (none past the end of names, and trailing
    // empty names left out), at most maxBytes long; nullopt when the name holds a NUL or the
    // value would be longer.
    static std::optional<std::string>
    renamedDesktopNames(std::vector<std::string> names, std::uint32_t desktopCount,
                        std::uint32_t index, const std::string& name, std::size_t maxBytes);
    // A window dictionary with "OwnerPID", "Layer", "Alpha" (only when known) and "Bounds".
    static nlohmann::json window(const WindowFacts& facts);
    // _NET_WM_WINDOW_OPACITY as a fraction of fully opaque.
    static double opacityFraction(std::uint32_t opacity);
    // _NET_WM_WINDOW_OPACITY for a fraction (clamped to 0...1).
    static std::uint32_t opacityValue(double fraction);
    // The managed space ids that a window with that _NET_WM_DESKTOP is on, given desktopCount (at
    // most kMaxDesktops of them).
    static nlohmann::json spacesOfDesktop(std::uint32_t desktop, std::uint32_t desktopCount);
};

} // namespace quillbar
