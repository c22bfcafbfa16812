// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/extworkspace/ExtWorkspaceDisplays.h"

#include "platform/extworkspace/ExtWorkspaceClient.h"

namespace quillbar {

namespace {

// Ids handed out once each; beyond this many identifiers in one session, new ones share the last.
constexpr std::size_t kMaxIds = 4096;

} // namespace

ExtWorkspaceDisplays::ExtWorkspaceDisplays(ExtWorkspaceClient& client)
    : client_(client) {}

DisplayID ExtWorkspaceDisplays::idFor(const std::string& identifier) {
    if (const auto found = ids_.find(identifier); found != ids_.end()) {
        return found->second;
    }
    if (ids_.size() >= kMaxIds) {
        return static_cast<DisplayID>(kMaxIds);
    }
    const auto id = static_cast<DisplayID>(ids_.size() + 1);
    ids_.emplace(identifier, id);
    return id;
}

std::optional<std::vector<DisplayID>> ExtWorkspaceDisplays::activeDisplayList() {
    if (!client_.ready()) {
        return std::nullopt;
    }
    std::vector<DisplayID> ids;
    for (const auto& display : client_.model().displays()) {
        ids.push_back(idFor(display.identifier));
    }
    return ids;
}

DisplayID ExtWorkspaceDisplays::mainDisplayID() {
    const auto displays = client_.model().displays();
    if (displays.empty()) {
        return 0;
    }
    return idFor(displays.at(client_.model().currentDisplay()).identifier);
}

Rect ExtWorkspaceDisplays::displayBounds(DisplayID) {
    return {};
}

std::optional<std::string> ExtWorkspaceDisplays::displayUUID(DisplayID display) {
    for (const auto& [identifier, id] : ids_) {
        if (id == display) {
            return identifier;
        }
    }
    return std::nullopt;
}

std::vector<Screen> ExtWorkspaceDisplays::screens() {
    const DisplayID main = mainDisplayID();
    std::vector<Screen> screens;
    for (const auto& display : client_.model().displays()) {
        Screen screen{idFor(display.identifier), {}, display.name};
        if (screen.displayID == main) {
            screens.insert(screens.begin(), std::move(screen));
        } else {
            screens.push_back(std::move(screen));
        }
    }
    return screens;
}

} // namespace quillbar
