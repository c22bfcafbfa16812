// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services/TitleLine.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillbar {

// The small `quillbar` executable: it answers title queries itself, once or following, without
// loading any toolkit, and hands every other command line to the application's executable.
class Launcher {
public:
    // The application's executable, installed outside the search path.
    static constexpr const char* kApplicationName = "quillbar-app";

    struct TitleRequest {
        TitleLine::Format format = TitleLine::Format::Plain;
        bool follow = false;
    };

    // The title query the arguments (the program's name left out) make: "--print-title" and/or
    // "--follow", with "--json" or (following) "--i3bar", each at most once, in any order, and
    // nothing else; otherwise nullopt, and the application answers (errors and help included).
    static std::optional<TitleRequest> titleQuery(const std::vector<std::string_view>& arguments);
    // Where the application lies for a launcher at self: beside it (the build tree) when it is
    // there, else in installedDirectory (relative to the launcher's folder).
    static std::string applicationPath(const std::string& self,
                                       const std::string& installedDirectory);
};

} // namespace quillbar
