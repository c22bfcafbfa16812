// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillbar {

// One space (virtual desktop) as detected on one display at one moment.
struct SpaceInfo {
    std::string id;
    std::optional<std::string> persistenceID;
    std::string displayIdentifier;
    std::optional<std::int64_t> managedSpaceID;
    int type = 0; // 0 ordinary desktop, 4 full-screen application space
    int missionControlIndex = 0;
    std::optional<int> desktopIndex;
    bool isActiveOnDisplay = false;
    bool isCurrent = false;
    std::optional<std::string> fullscreenAppName;
    std::optional<std::int32_t> ownerPID;
    // The window manager's own name as it says it (placeholders such as "Desktop 2" too); never
    // empty.
    std::optional<std::string> windowManagerName;

    static constexpr int ordinaryDesktopType = 0;
    static constexpr int fullscreenType = 4;

    // The name shown for this space while the user has given it none: the window manager's name,
    // else "Desktop N"; never empty.
    std::string defaultName() const;

    // The first record marked current, which every consumer takes as the current space; nullptr
    // when none is.
    static const SpaceInfo* firstCurrent(const std::vector<SpaceInfo>& spaces);

    // True when every field is equal.
    bool operator==(const SpaceInfo&) const = default;
};

} // namespace quillbar
