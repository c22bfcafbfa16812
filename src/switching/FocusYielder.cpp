// SPDX-License-Identifier: GPL-3.0-or-later
#include "switching/FocusYielder.h"

#include "observer/DisplayDirectory.h"

#include <cstdint>

namespace quillbar {

void FocusYielder::yieldFocusToTopWindowOnCurrentSpace() const {
    const std::int32_t ownPID = platform_.workspace.ownProcessIdentifier();
    const auto windows =
        DisplayDirectory::ordinaryWindows(platform_.windowServer.copyWindowList(),
                                          [ownPID](std::int32_t pid) { return pid != ownPID; });
    if (windows.empty()) {
        return;
    }
    const std::int32_t owner = windows.front().ownerPID;
    if (platform_.workspace.runningApplication(owner)) {
        platform_.workspace.activate(owner);
    }
}

} // namespace quillbar
