// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gnome/GnomeWindowServer.h"

#include "platform/gnome/GnomeWorkspaces.h"
#include "platform/qt/PrimaryScreenDisplays.h"

namespace quillbar {

GnomeWindowServer::GnomeWindowServer(GnomeWorkspaces& workspaces, PrimaryScreenDisplays& displays)
    : workspaces_(workspaces)
    , displays_(displays) {}

nlohmann::json GnomeWindowServer::copyManagedDisplaySpaces() {
    return workspaces_.table().managedDisplaySpaces(displays_.identifier());
}

void GnomeWindowServer::addWindowsToSpaces(std::int64_t, std::int64_t) {}

nlohmann::json GnomeWindowServer::copyWindowList() {
    return nullptr;
}

SpaceServerAPI GnomeWindowServer::spaceServerAPI() {
    SpaceServerAPI api;
    api.activeSpace = [this] { return workspaces_.table().activeSpace(); };
    api.displayCurrentSpace = [this](const std::string& identifier) -> std::int64_t {
        return identifier == displays_.identifier() ? workspaces_.table().activeSpace() : 0;
    };
    api.showSpace = [this](std::int64_t managedSpaceID) {
        if (const auto index = workspaces_.table().workspaceIndex(managedSpaceID)) {
            workspaces_.activate(*index);
        }
    };
    api.renameSpace = [this](std::int64_t managedSpaceID,
                             const std::string& name) -> std::optional<std::string> {
        if (!workspaces_.takesNames()) {
            return kTooOld;
        }
        if (name.size() > kMaxNameBytes) {
            return "The name is too long for GNOME";
        }
        const auto index = workspaces_.table().workspaceIndex(managedSpaceID);
        if (!index) {
            return "GNOME has no such workspace now";
        }
        workspaces_.rename(*index, name);
        return std::nullopt;
    };
    return api;
}

} // namespace quillbar
