// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace quillbar {

// The fixed emoji that the picker offers, in six named groups.
namespace EmojiCatalog {

// One titled group of emoji, in display order; every entry is one emoji character in UTF-8.
struct Group {
    std::string name;
    std::vector<std::string> emoji;

    bool operator==(const Group&) const = default;
};

// The six groups "Work", "Communication", "Building", "Creative", "Life" and "Marks" (140 entries),
// built on first use; entries keep their variation selectors and keycap marks.
const std::vector<Group>& groups();

} // namespace EmojiCatalog

} // namespace quillbar
