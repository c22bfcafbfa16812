// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/SpaceInfo.h"

#include <algorithm>

namespace quillbar {

std::string SpaceInfo::defaultName() const {
    if (type == fullscreenType) {
        if (fullscreenAppName && !fullscreenAppName->empty()) {
            return *fullscreenAppName;
        }
        return "Fullscreen App";
    }
    if (windowManagerName && !windowManagerName->empty()) {
        return *windowManagerName;
    }
    if (type == ordinaryDesktopType && desktopIndex) {
        return "Desktop " + std::to_string(*desktopIndex);
    }
    return "Desktop ?";
}

const SpaceInfo* SpaceInfo::firstCurrent(const std::vector<SpaceInfo>& spaces) {
    const auto found =
        std::find_if(spaces.begin(), spaces.end(), [](const SpaceInfo& s) { return s.isCurrent; });
    return found == spaces.end() ? nullptr : &*found;
}

} // namespace quillbar
