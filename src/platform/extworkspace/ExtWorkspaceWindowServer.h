// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowServer.h"

namespace quillbar {

class ExtWorkspaceClient;

// The window server on an ext-workspace compositor: each workspace group is a display and its
// workspaces are the spaces, answered from what the compositor last said (never waiting on it);
// switching activates the workspace. There is no window list: spaces are switched directly.
class ExtWorkspaceWindowServer final : public WindowServer {
public:
    explicit ExtWorkspaceWindowServer(ExtWorkspaceClient& client);

    // One dictionary per group; null until the compositor has described its workspaces.
    nlohmann::json copyManagedDisplaySpaces() override;
    // Changes when the groups or workspaces change (not when another one becomes active).
    std::uint64_t keptSpacesRevision() const override;
    // Does nothing: the protocol cannot move windows.
    void addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) override;
    // An empty list: the window list plays no part when spaces are switched directly.
    nlohmann::json copyWindowList() override { return nlohmann::json::array(); }
    // The active space, each display's current space, and activating a workspace.
    SpaceServerAPI spaceServerAPI() override;
    // True: positions recur, and ids name their workspace again in the next session.
    bool spaceKeysRecur() const override { return true; }

private:
    ExtWorkspaceClient& client_;
};

} // namespace quillbar
