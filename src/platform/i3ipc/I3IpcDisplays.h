// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DisplayIdTable.h"
#include "platform/Displays.h"

#include <string>

namespace quillbar {

class I3IpcConnection;

// The window manager's active outputs as displays. Display ids are numbers handed out in the order
// outputs are first seen and kept for the session; identifiers are stable across sessions.
class I3IpcDisplays final : public Displays {
public:
    explicit I3IpcDisplays(I3IpcConnection& connection);

    // The active outputs, left to right; nullopt without a connection.
    std::optional<std::vector<DisplayID>> activeDisplayList() override;
    // The output that shows the focused workspace, else the first one; 0 without outputs.
    DisplayID mainDisplayID() override;
    // The output's rectangle; empty for an unknown id.
    Rect displayBounds(DisplayID display) override;
    // The output's stable identifier; nullopt for an unknown id.
    std::optional<std::string> displayUUID(DisplayID display) override;
    // One screen per active output, the main one first, named by make and model.
    std::vector<Screen> screens() override;

private:
    I3IpcConnection& connection_;
    DisplayIdTable ids_;
};

} // namespace quillbar
