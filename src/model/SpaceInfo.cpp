#include "model/SpaceInfo.h"

namespace quillbar {

std::string SpaceInfo::defaultName() const {
    if (type == fullscreenType) {
        if (fullscreenAppName && !fullscreenAppName->empty()) {
            return *fullscreenAppName;
        }
        return "Fullscreen App";
    }
    if (type == ordinaryDesktopType && desktopIndex) {
        return "Desktop " + std::to_string(*desktopIndex);
    }
    return "Desktop ?";
}

} // namespace quillbar
