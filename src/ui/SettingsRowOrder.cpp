// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsRowOrder.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace quillbar {

void SettingsRowOrder::capture(const std::vector<SpaceObserver::DisplayGroup>& groups) {
    for (const auto& group : groups) {
        for (const SpaceInfo& space : group.spaces) {
            if (space.persistenceID && !positions_.contains(*space.persistenceID)) {
                positions_.emplace(*space.persistenceID, keys_.size());
                keys_.push_back(*space.persistenceID);
            }
        }
    }
}

std::vector<SpaceObserver::DisplayGroup>
SettingsRowOrder::frozen(std::vector<SpaceObserver::DisplayGroup> groups) const {
    const auto rank = [this](const SpaceInfo& space) -> std::int64_t {
        if (space.persistenceID) {
            if (auto found = positions_.find(*space.persistenceID); found != positions_.end())
                return static_cast<std::int64_t>(found->second);
        }
        return std::numeric_limits<std::int64_t>::max();
    };
    for (auto& group : groups) {
        std::stable_sort(group.spaces.begin(), group.spaces.end(),
                         [&rank](const SpaceInfo& a, const SpaceInfo& b) {
                             const std::int64_t rankA = rank(a);
                             const std::int64_t rankB = rank(b);
                             if (rankA != rankB)
                                 return rankA < rankB;
                             return a.missionControlIndex < b.missionControlIndex;
                         });
    }
    return groups;
}

} // namespace quillbar
