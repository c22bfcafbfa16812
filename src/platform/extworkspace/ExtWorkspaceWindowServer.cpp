// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/extworkspace/ExtWorkspaceWindowServer.h"

#include "platform/extworkspace/ExtWorkspaceClient.h"

namespace quillbar {

ExtWorkspaceWindowServer::ExtWorkspaceWindowServer(ExtWorkspaceClient& client)
    : client_(client) {}

nlohmann::json ExtWorkspaceWindowServer::copyManagedDisplaySpaces() {
    if (!client_.ready()) {
        return nullptr;
    }
    return client_.model().managedDisplaySpaces();
}

std::uint64_t ExtWorkspaceWindowServer::keptSpacesRevision() const {
    return client_.model().revision();
}

void ExtWorkspaceWindowServer::addWindowsToSpaces(std::int64_t, std::int64_t) {}

SpaceServerAPI ExtWorkspaceWindowServer::spaceServerAPI() {
    SpaceServerAPI api;
    api.activeSpace = [this] { return client_.ready() ? client_.model().activeSpace() : 0; };
    api.displayCurrentSpace = [this](const std::string& identifier) -> std::int64_t {
        return client_.ready() ? client_.model().displayCurrentSpace(identifier) : 0;
    };
    api.showSpace = [this](std::int64_t managedSpaceID) {
        if (const auto workspace = client_.model().activatableWorkspace(managedSpaceID)) {
            client_.activate(*workspace);
        }
    };
    return api;
}

} // namespace quillbar
