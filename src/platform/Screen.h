// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Rect.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillbar {

using DisplayID = std::uint32_t;

// One screen as the toolkit sees it: the display it shows, where it is, and what it is called.
struct Screen {
    std::optional<DisplayID> displayID; // absent when the screen names no display
    Rect frame;
    std::string localizedName;

    bool operator==(const Screen&) const = default;
};

} // namespace quillbar
