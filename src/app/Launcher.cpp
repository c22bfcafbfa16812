#include "app/Launcher.h"

#include <unistd.h>

#include <algorithm>

namespace quillbar {

std::optional<TitleLine::Format>
Launcher::titleQuery(const std::vector<std::string_view>& arguments) {
    const auto count = [&](std::string_view option) {
        return std::count(arguments.begin(), arguments.end(), option);
    };
    const auto printTitle = count("--print-title");
    const auto json = count("--json");
    // Anything else (--follow, errors, help) is the application's to answer.
    if (printTitle != 1 || json > 1 ||
        static_cast<std::size_t>(printTitle + json) != arguments.size()) {
        return std::nullopt;
    }
    return json == 1 ? TitleLine::Format::Json : TitleLine::Format::Plain;
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
