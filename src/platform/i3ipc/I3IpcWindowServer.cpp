#include "platform/i3ipc/I3IpcWindowServer.h"

#include "platform/i3ipc/I3IpcConnection.h"

#include <algorithm>

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

void I3IpcWindowServer::showSpace(std::int64_t managedSpaceID) {
    const auto& workspaces = connection_.workspaces();
    const auto found = std::find_if(workspaces.begin(), workspaces.end(),
                                    [&](const auto& w) { return w.id == managedSpaceID; });
    if (found == workspaces.end()) {
        return;
    }
    if (auto command = I3IpcAnswers::showCommand(*found, connection_.dialect())) {
        connection_.runCommand(*command);
    }
}

} // namespace quillbar
