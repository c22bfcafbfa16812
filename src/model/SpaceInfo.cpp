// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/SpaceInfo.h"

#include <algorithm>
#include <cctype>

namespace quillbar {

namespace {

// Whether a window manager's name only restates the desktop's number, as placeholders do
// ("desktop 2" for desktop 2, in any case): our own "Desktop N" says the same.
bool restatesNumber(const std::string& name, int desktopIndex) {
    const std::string placeholder = "desktop " + std::to_string(desktopIndex);
    return std::equal(
        name.begin(), name.end(), placeholder.begin(), placeholder.end(),
        [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

} // namespace

std::string SpaceInfo::defaultName() const {
    if (type == fullscreenType) {
        if (fullscreenAppName && !fullscreenAppName->empty()) {
            return *fullscreenAppName;
        }
        return "Fullscreen App";
    }
    if (windowManagerName && !windowManagerName->empty() &&
        !(desktopIndex && restatesNumber(*windowManagerName, *desktopIndex))) {
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
