// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Launcher.h"

#include <unistd.h>

#include <algorithm>

namespace quillbar {

std::optional<Launcher::TitleRequest>
Launcher::titleQuery(const std::vector<std::string_view>& arguments) {
    const auto count = [&](std::string_view option) {
        return std::count(arguments.begin(), arguments.end(), option);
    };
    const auto printTitle = count("--print-title");
    const auto follow = count("--follow");
    const auto json = count("--json");
    const auto i3bar = count("--i3bar");
    if (printTitle > 1 || follow > 1 || json + i3bar > 1 || printTitle + follow == 0 ||
        (i3bar == 1 && follow == 0) ||
        static_cast<std::size_t>(printTitle + follow + json + i3bar) != arguments.size()) {
        return std::nullopt;
    }
    const TitleLine::Format format = i3bar  ? TitleLine::Format::I3bar
                                     : json ? TitleLine::Format::Json
                                            : TitleLine::Format::Plain;
    return TitleRequest{format, follow == 1};
}

std::string Launcher::applicationPath(const std::string& self,
                                      const std::string& installedDirectory) {
    const std::string folder = self.substr(0, self.rfind('/') + 1);
    const std::string beside = folder + kApplicationName;
    if (::access(beside.c_str(), X_OK) == 0) {
        return beside;
    }
    return folder + installedDirectory + '/' + kApplicationName;
}

} // namespace quillbar
