// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillbar {

// Optional window-server entry points. A backend leaves any of them empty when it lacks it; callers
// test each before use and fall back.
struct SpaceServerAPI {
    // The managed space ids that hold the window (mask 7): an array of numbers, or null.
    std::function<nlohmann::json(std::int64_t windowNumber)> copySpacesForWindows;
    // The managed id of the active space; 0 means no answer.
    std::function<std::int64_t()> activeSpace;
    // The current managed id of the display with that identifier; 0 means no answer.
    std::function<std::int64_t(const std::string& displayIdentifier)> displayCurrentSpace;
    // Asks the window manager to show that managed space on its display; no answer (the landing
    // check tells). A backend that has it gets no anchor windows and no keystrokes.
    std::function<void(std::int64_t managedSpaceID)> showSpace;
    // Asks the window manager to give the space that name of its own, as it answers it under
    // "Name" (empty: no name of its own, e.g. the bare number); nullopt once asked (a later
    // answer shows whether it took), else why the name cannot be asked for. Empty where the
    // desktop has no names a client may set.
    std::function<std::optional<std::string>(std::int64_t managedSpaceID, const std::string& name)>
        renameSpace;
};

} // namespace quillbar
