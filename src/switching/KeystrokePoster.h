// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Keyboard.h"

#include <cstdint>

namespace quillbar {

// Posts the Control+arrow keystrokes that move the window manager by whole desktops. Holds only the
// keyboard, so it can run on a background thread without touching any observer state.
class KeystrokePoster {
public:
    explicit KeystrokePoster(Keyboard& keyboard)
        : keyboard_(keyboard) {}

    // Holds Control, taps keyCode hops times, releases Control; blocks for the pauses between
    // events (190 ms per hop minus 110 ms). Events that cannot be created are skipped, pauses are
    // still taken.
    void postSpaceSwitchKeystrokes(std::int64_t hops, std::uint16_t keyCode) const;

private:
    void post(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) const;

    Keyboard& keyboard_;
};

} // namespace quillbar
