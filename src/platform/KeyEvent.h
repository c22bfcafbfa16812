// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace quillbar {

// A synthetic keyboard event: a virtual key code going down or up with modifier flags.
struct KeyEvent {
    static constexpr std::uint16_t kControlKeyCode = 59;
    static constexpr std::uint16_t kLeftArrowKeyCode = 123;
    static constexpr std::uint16_t kRightArrowKeyCode = 124;
    static constexpr std::uint64_t kControlFlag = 0x40000;

    std::uint16_t keyCode = 0;
    bool keyDown = true;
    std::uint64_t flags = 0;

    bool operator==(const KeyEvent&) const = default;
};

} // namespace quillbar
