// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillbar {

// A running application as the workspace reports it.
struct RunningApplication {
    std::int32_t processIdentifier = 0;
    std::optional<std::string> localizedName;

    bool operator==(const RunningApplication&) const = default;
};

} // namespace quillbar
