// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DisplayIdTable.h"
#include "platform/Displays.h"

#include <string>

namespace quillbar {

class ExtWorkspaceClient;

// The compositor's workspace groups as displays, named after their outputs. Display ids are
// numbers handed out in the order groups are first seen and kept for the session; identifiers
// are stable across sessions. The protocol tells no geometry: bounds are empty.
class ExtWorkspaceDisplays final : public Displays {
public:
    explicit ExtWorkspaceDisplays(ExtWorkspaceClient& client);

    // One display per group; nullopt until the compositor has described its workspaces.
    std::optional<std::vector<DisplayID>> activeDisplayList() override;
    // The group whose active workspace changed last, else the first; 0 without groups.
    DisplayID mainDisplayID() override;
    // Empty: the protocol says nothing of where outputs are.
    Rect displayBounds(DisplayID display) override;
    // The group's stable identifier; nullopt for an unknown id.
    std::optional<std::string> displayUUID(DisplayID display) override;
    // One screen per group, the main one first, named by its outputs.
    std::vector<Screen> screens() override;

private:
    ExtWorkspaceClient& client_;
    DisplayIdTable ids_;
};

} // namespace quillbar
