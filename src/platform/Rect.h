// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillbar {

// A rectangle in global screen coordinates (points on the desktop; origin at the top left on X11).
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    bool operator==(const Rect&) const = default;
};

} // namespace quillbar
