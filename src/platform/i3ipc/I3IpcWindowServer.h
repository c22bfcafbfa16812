// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowServer.h"
#include "platform/i3ipc/I3IpcAnswers.h"

#include <memory>
#include <optional>
#include <set>
#include <string>

namespace quillbar {

class I3IpcConnection;
class LogSink;

// Workspaces as spaces, one managed display per output, answered from the connection's latest
// lists (never waiting on the window manager). The managed space id is the workspace's container
// id; switching and renaming run workspace commands. There is no window list: spaces are
// switched directly.
class I3IpcWindowServer final : public WindowServer {
public:
    I3IpcWindowServer(I3IpcConnection& connection, LogSink& log);

    // One dictionary per output; null without a connection.
    nlohmann::json copyManagedDisplaySpaces() override;
    // Moves this program's window (the rename window) to the workspace with that container id.
    void addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) override;
    // An empty list: the window list plays no part when spaces are switched directly.
    nlohmann::json copyWindowList() override { return nlohmann::json::array(); }
    // The active space, each display's current space, direct switching and renaming.
    SpaceServerAPI spaceServerAPI() override;
    // Workspace keys ("ws-3") come back after their workspace vanished.
    bool spaceKeysRecur() const override { return true; }

    // Asks the window manager to show the workspace with that container id.
    void showSpace(std::int64_t managedSpaceID);
    // Sends the command that gives the workspace with that container id the own name (see
    // SpaceServerAPI::renameSpace) without waiting; nullopt once sent, else why it cannot be.
    std::optional<std::string> renameSpace(std::int64_t managedSpaceID, const std::string& name);

private:
    const I3IpcAnswers::Workspace* workspace(std::int64_t managedSpaceID) const;
    // Logs a refusal once per workspace until a rename of it is taken.
    void heardRename(std::int64_t managedSpaceID, const std::string& refusal,
                     const std::optional<std::string>& error);

    I3IpcConnection& connection_;
    LogSink& log_;
    std::set<std::int64_t> refusalsLogged_; // container ids, at most kMaxWorkspaces
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace quillbar
