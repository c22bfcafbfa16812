// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace quillbar {

// What the program knows about itself.
struct AppInfo {
    std::string version = "?";
    std::string bundlePath;                      // path of the executable
    std::optional<std::string> bundleIdentifier; // e.g. "org.quillbar.Quillbar"
};

} // namespace quillbar
