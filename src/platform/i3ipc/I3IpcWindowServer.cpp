// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/i3ipc/I3IpcWindowServer.h"

#include "platform/i3ipc/I3IpcConnection.h"

#include <algorithm>

#include <unistd.h>

namespace quillbar {

I3IpcWindowServer::I3IpcWindowServer(I3IpcConnection& connection)
    : connection_(connection) {}

nlohmann::json I3IpcWindowServer::copyManagedDisplaySpaces() {
    if (!connection_.hasState()) {
        return nullptr;
    }
    return I3IpcAnswers::managedDisplays(connection_.outputs(), connection_.workspaces());
}

SpaceServerAPI I3IpcWindowServer::spaceServerAPI() {
    SpaceServerAPI api;
    api.activeSpace = [this] { return I3IpcAnswers::activeSpace(connection_.workspaces()); };
    api.displayCurrentSpace = [this](const std::string& identifier) {
        return I3IpcAnswers::displayCurrentSpace(connection_.outputs(), connection_.workspaces(),
                                                 identifier);
    };
    api.showSpace = [this](std::int64_t managedSpaceID) { showSpace(managedSpaceID); };
    return api;
}

const I3IpcAnswers::Workspace* I3IpcWindowServer::workspace(std::int64_t managedSpaceID) const {
    const auto& workspaces = connection_.workspaces();
    const auto found = std::find_if(workspaces.begin(), workspaces.end(),
                                    [&](const auto& w) { return w.id == managedSpaceID; });
    return found == workspaces.end() ? nullptr : &*found;
}

void I3IpcWindowServer::addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) {
    const I3IpcAnswers::Workspace* target = workspace(managedSpaceID);
    if (!target) {
        return;
    }
    if (auto command = I3IpcAnswers::bringCommand(*target, connection_.dialect(), windowNumber,
                                                  static_cast<std::int64_t>(::getpid()))) {
        connection_.runCommand(*command);
    }
}

void I3IpcWindowServer::showSpace(std::int64_t managedSpaceID) {
    const I3IpcAnswers::Workspace* target = workspace(managedSpaceID);
    if (!target) {
        return;
    }
    if (auto command = I3IpcAnswers::showCommand(*target, connection_.dialect())) {
        connection_.runCommand(*command);
    }
}

} // namespace quillbar
