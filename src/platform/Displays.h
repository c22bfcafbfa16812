// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Rect.h"
#include "platform/Screen.h"

#include <optional>
#include <string>
#include <vector>

namespace quillbar {

// Displays and screens: ids, geometry, identifiers and names.
class Displays {
public:
    virtual ~Displays() = default;

    // The active displays, or nullopt when the query fails.
    virtual std::optional<std::vector<DisplayID>> activeDisplayList() = 0;
    // The main display (the one that holds the primary screen).
    virtual DisplayID mainDisplayID() = 0;
    // The display's rectangle in global coordinates; an empty rectangle for an unknown id.
    virtual Rect displayBounds(DisplayID display) = 0;
    // The display's stable UUID text (upper-case 8-4-4-4-12), or nullopt when it has none.
    virtual std::optional<std::string> displayUUID(DisplayID display) = 0;
    // Every screen, main screen first.
    virtual std::vector<Screen> screens() = 0;
};

} // namespace quillbar
