// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/i3ipc/I3IpcDisplays.h"

#include "platform/i3ipc/I3IpcConnection.h"

#include <algorithm>

namespace quillbar {

I3IpcDisplays::I3IpcDisplays(I3IpcConnection& connection)
    : connection_(connection) {}

std::optional<std::vector<DisplayID>> I3IpcDisplays::activeDisplayList() {
    if (!connection_.hasState()) {
        return std::nullopt;
    }
    std::vector<DisplayID> ids;
    for (const auto& output : connection_.outputs()) {
        ids.push_back(ids_.idFor(output.identifier));
    }
    return ids;
}

DisplayID I3IpcDisplays::mainDisplayID() {
    const auto& outputs = connection_.outputs();
    const auto& workspaces = connection_.workspaces();
    const auto focused =
        std::find_if(workspaces.begin(), workspaces.end(), [](const auto& w) { return w.focused; });
    for (const auto& output : outputs) {
        if (focused != workspaces.end() && focused->output == output.name) {
            return ids_.idFor(output.identifier);
        }
    }
    return outputs.empty() ? 0 : ids_.idFor(outputs.front().identifier);
}

Rect I3IpcDisplays::displayBounds(DisplayID display) {
    for (const auto& output : connection_.outputs()) {
        if (ids_.idFor(output.identifier) == display) {
            return output.rect;
        }
    }
    return {};
}

std::optional<std::string> I3IpcDisplays::displayUUID(DisplayID display) {
    return ids_.identifierOf(display);
}

std::vector<Screen> I3IpcDisplays::screens() {
    const DisplayID main = mainDisplayID();
    std::vector<Screen> screens;
    for (const auto& output : connection_.outputs()) {
        Screen screen{ids_.idFor(output.identifier), output.rect, output.displayName};
        if (screen.displayID == main) {
            screens.insert(screens.begin(), std::move(screen));
        } else {
            screens.push_back(std::move(screen));
        }
    }
    return screens;
}

} // namespace quillbar
