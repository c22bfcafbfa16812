#pragma once

#include "platform/WindowServer.h"

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
    // Does nothing: no window of this program is ever placed.
    void addWindowsToSpaces(std::int64_t, std::int64_t) override {}
    // An empty list: the window list plays no part when spaces are switched directly.
    nlohmann::json copyWindowList() override { return nlohmann::json::array(); }
    // The active space, each display's current space, and direct switching.
    SpaceServerAPI spaceServerAPI() override;
    // Workspace keys ("ws-3") come back after their workspace vanished.
    bool spaceKeysRecur() const override { return true; }

    // Asks the window manager to show the workspace with that container id.
    void showSpace(std::int64_t managedSpaceID);

private:
    I3IpcConnection& connection_;
};

} // namespace quillbar
