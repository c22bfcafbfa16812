// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "observer/SpaceObserver.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillbar {

// The order in which the rename window lists its rows: keys in the order they were first seen.
// Keys are never moved or dropped, so rows stay put while desktops are reordered, and a space that
// comes back takes its old place.
class SettingsRowOrder {
public:
    // Appends the keys of the grouped spaces that are not known yet, in group order.
    void capture(const std::vector<SpaceObserver::DisplayGroup>& groups);
    // The groups unchanged, with each group's spaces sorted by their key's position; spaces
    // without a known key follow, ordered by their position on the display.
    std::vector<SpaceObserver::DisplayGroup>
    frozen(std::vector<SpaceObserver::DisplayGroup> groups) const;
    // Every key seen, in order.
    const std::vector<std::string>& keys() const { return keys_; }

private:
    std::vector<std::string> keys_;
    std::unordered_map<std::string, std::size_t> positions_;
};

} // namespace quillbar
