// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowServer.h"

#include <cstddef>

namespace quillbar {

class GnomeWorkspaces;
class PrimaryScreenDisplays;

// The window server on GNOME Shell: its workspaces (which span every monitor) are the spaces of
// the session's one display, keyed by position. Answers come from what the Shell extension last
// said; nothing here waits on it.
class GnomeWindowServer final : public WindowServer {
public:
    // Longer names are not asked for (the extension refuses them).
    static constexpr std::size_t kMaxNameBytes = 1024;
    // Why no name is asked for while the running extension is older than this program.
    static constexpr const char* kTooOld =
        "GNOME Shell's Quillbar extension is too old to take names; log out and in again";

    GnomeWindowServer(GnomeWorkspaces& workspaces, PrimaryScreenDisplays& displays);

    // The one display with GNOME's workspaces; null while the extension is away.
    nlohmann::json copyManagedDisplaySpaces() override;
    // Does nothing: there are no anchor windows to place.
    void addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) override;
    // Null: the Shell lists no windows to other programs.
    nlohmann::json copyWindowList() override;
    // The active space, the display's current space, and activating and renaming a workspace
    // through the extension.
    SpaceServerAPI spaceServerAPI() override;
    // True: a position names a workspace again when dynamic workspaces bring one back.
    bool spaceKeysRecur() const override { return true; }

private:
    GnomeWorkspaces& workspaces_;
    PrimaryScreenDisplays& displays_;
};

} // namespace quillbar
