// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace quillbar {

// Whether the display the environment names answers, asked before the toolkit would abort on one
// that does not (a stale DISPLAY or WAYLAND_DISPLAY left behind by a session that ended).
class DisplayCheck {
public:
    // The environment's displays: the variables as they are set (empty: unset).
    struct Environment {
        std::string display;
        std::string waylandDisplay;
        std::string runtimeDir;
        std::string qpaPlatform;
    };

    // The environment of this process.
    static Environment current();
    // Nothing when a display Qt would use answers (or the platform needs none); otherwise what
    // was tried and why it failed, for the user. Waits at most deadline for an X server.
    static std::optional<std::string> problem(const Environment& environment,
                                              std::chrono::milliseconds deadline);
};

} // namespace quillbar
