// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowServer.h"
#include "platform/i3ipc/I3IpcAnswers.h"

namespace quillbar {

class I3IpcConnection;

// Workspaces as spaces, one managed display per output, answered from the connection's latest
// lists (never waiting on the window manager). The managed space id is the workspace's container
// id; switching runs a workspace command. There is no window list: spaces are switched directly.
class I3IpcWindowServer final : public WindowServer {
public:
    explicit I3IpcWindowServer(I3IpcConnection& connection);

    // One dictionary per output; null without a connection.
    nlohmann::json copyManagedDisplaySpaces() override;
    // Moves this program's window (the rename window) to the workspace with that container id.
    void addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) override;
    // An empty list: the window list plays no part when spaces are switched directly.
    nlohmann::json copyWindowList() override { return nlohmann::json::array(); }
    // The active space, each display's current space, and direct switching.
    SpaceServerAPI spaceServerAPI() override;
    // Workspace keys ("ws-3") come back after their workspace vanished.
    bool spaceKeysRecur() const override { return true; }

    // Asks the window manager to show the workspace with that container id.
    void showSpace(std::int64_t managedSpaceID);

private:
    const I3IpcAnswers::Workspace* workspace(std::int64_t managedSpaceID) const;

    I3IpcConnection& connection_;
};

} // namespace quillbar
