// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/i3ipc/I3IpcWindowServer.h"

#include "platform/LogSink.h"
#include "platform/i3ipc/I3IpcConnection.h"

#include <algorithm>

#include <unistd.h>

namespace quillbar {

I3IpcWindowServer::I3IpcWindowServer(I3IpcConnection& connection, LogSink& log)
    : connection_(connection)
    , log_(log) {}

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
    api.renameSpace = [this](std::int64_t managedSpaceID, const std::string& name) {
        return renameSpace(managedSpaceID, name);
    };
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

std::optional<std::string> I3IpcWindowServer::renameSpace(std::int64_t managedSpaceID,
                                                          const std::string& name) {
    if (!connection_.hasState()) {
        return "Quillbar is not connected to the window manager.";
    }
    const I3IpcAnswers::Workspace* target = workspace(managedSpaceID);
    if (!target) {
        return "The window manager no longer has this workspace.";
    }
    const I3IpcAnswers::Dialect dialect = connection_.dialect();
    I3IpcAnswers::CommandText command = I3IpcAnswers::renameCommand(*target, name, dialect);
    if (command.text.empty()) {
        return std::move(command.reason);
    }
    // The workspace has a number, or there would be no command.
    const std::string refusal = I3IpcAnswers::windowManagerName(dialect) +
                                " refused the name of workspace " +
                                std::to_string(target->number.value_or(0)) + ": ";
    connection_.runCommand(command.text, [this, alive = std::weak_ptr<bool>(alive_), managedSpaceID,
                                          refusal](const std::optional<std::string>& error) {
        if (!alive.expired()) {
            heardRename(managedSpaceID, refusal, error);
        }
    });
    return std::nullopt;
}

void I3IpcWindowServer::heardRename(std::int64_t managedSpaceID, const std::string& refusal,
                                    const std::optional<std::string>& error) {
    if (!error) {
        refusalsLogged_.erase(managedSpaceID);
        return;
    }
    if (refusalsLogged_.size() >= I3IpcAnswers::kMaxWorkspaces) {
        refusalsLogged_.clear(); // mostly workspaces long gone: at worst a line again
    }
    if (refusalsLogged_.insert(managedSpaceID).second) {
        log_.log(LogLevel::Default, refusal + *error);
    }
}

} // namespace quillbar
