// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/extworkspace/ExtWorkspaceDisplays.h"

#include "platform/extworkspace/ExtWorkspaceClient.h"

namespace quillbar {

ExtWorkspaceDisplays::ExtWorkspaceDisplays(ExtWorkspaceClient& client)
    : client_(client) {}

std::optional<std::vector<DisplayID>> ExtWorkspaceDisplays::activeDisplayList() {
    if (!client_.ready()) {
        return std::nullopt;
    }
    std::vector<DisplayID> ids;
    for (const auto& display : client_.model().displays()) {
        ids.push_back(ids_.idFor(display.identifier));
    }
    return ids;
}

DisplayID ExtWorkspaceDisplays::mainDisplayID() {
    const auto displays = client_.model().displays();
    if (displays.empty()) {
        return 0;
    }
    return ids_.idFor(displays.at(client_.model().currentDisplay()).identifier);
}

Rect ExtWorkspaceDisplays::displayBounds(DisplayID) {
    return {};
}

std::optional<std::string> ExtWorkspaceDisplays::displayUUID(DisplayID display) {
    return ids_.identifierOf(display);
}

std::vector<Screen> ExtWorkspaceDisplays::screens() {
    const DisplayID main = mainDisplayID();
    std::vector<Screen> screens;
    for (const auto& display : client_.model().displays()) {
        Screen screen{ids_.idFor(display.identifier), {}, display.name};
        if (screen.displayID == main) {
            screens.insert(screens.begin(), std::move(screen));
        } else {
            screens.push_back(std::move(screen));
        }
    }
    return screens;
}

} // namespace quillbar
