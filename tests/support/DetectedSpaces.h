// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakePlatform.h"
#include "observer/DisplayDirectory.h"
#include "observer/SpaceDetector.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace quillbar::test {

// What the core reads of a backend's answer: the spaces detected on one 1280×800 display with
// that identifier and name, without the optional active-space entry points.
inline std::vector<SpaceInfo> detectedSpaces(const nlohmann::json& managedDisplaySpaces,
                                             const std::string& displayIdentifier,
                                             std::string displayName) {
    FakePlatform fake;
    fake.displays.addDisplay(1, displayIdentifier, {0, 0, 1280, 800}, std::move(displayName));
    fake.windowServer.managedDisplaySpaces = managedDisplaySpaces;
    fake.windowServer.hasActiveSpace = false;
    fake.windowServer.hasDisplayCurrentSpace = false;
    const DisplayDirectory displays(fake.platform);
    const SpaceServerAPI api = fake.windowServer.spaceServerAPI();
    return SpaceDetector(fake.platform, displays, api).detectSpaces();
}

} // namespace quillbar::test
