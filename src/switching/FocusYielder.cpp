#include "switching/FocusYielder.h"

#include "observer/DisplayDirectory.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace quillbar {

void FocusYielder::yieldFocusToTopWindowOnCurrentSpace() const {
    const nlohmann::json windows = platform_.windowServer.copyWindowList();
    if (!windows.is_array() ||
        !std::all_of(windows.begin(), windows.end(), [](const auto& w) { return w.is_object(); })) {
        return;
    }
    const std::int32_t ownPID = platform_.workspace.ownProcessIdentifier();
    for (const nlohmann::json& window : windows) {
        // The owner test sees the window's coerced owner pid; remember the one that passed.
        std::optional<std::int32_t> owner;
        const auto otherApplication = [&](std::int32_t pid) {
            owner = pid;
            return pid != ownPID;
        };
        if (!DisplayDirectory::ordinaryWindowBounds(window, otherApplication) || !owner) {
            continue;
        }
        if (platform_.workspace.runningApplication(*owner)) {
            platform_.workspace.activate(*owner);
        }
        return;
    }
}

} // namespace quillbar
