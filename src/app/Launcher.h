#pragma once

#include "services/TitleLine.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillbar {

// The small `quillbar` executable: it answers a one-shot title query itself, without loading any
// toolkit, and hands every other command line to the application's executable.
class Launcher {
public:
    // The application's executable, installed outside the search path.
    static constexpr const char* kApplicationName = "quillbar-app";

    // The format of a one-shot query when the arguments (the program's name left out) are exactly
    // "--print-title", optionally with "--json", in any order; otherwise nullopt.
    static std::optional<TitleLine::Format>
    titleQuery(const std::vector<std::string_view>& arguments);
    // Where the application lies for a launcher at self: beside it (the build tree) when it is
    // there, else in installedDirectory (relative to the launcher's folder).
    static std::string applicationPath(const std::string& self,
                                       const std::string& installedDirectory);
};

} // namespace quillbar
