// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace quillbar {

// The name and emoji the user gave one space; empty strings mean "none".
struct SpaceAssignment {
    std::string name;
    std::string emoji;

    // True when both name and emoji have zero length (a name of spaces only is not empty).
    bool isEmpty() const;

    // True when both fields are byte-for-byte equal.
    bool operator==(const SpaceAssignment&) const = default;
};

} // namespace quillbar
