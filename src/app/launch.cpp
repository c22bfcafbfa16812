// The `quillbar` command. It links no toolkit: `quillbar --print-title` is a single bus call, and
// everything else runs the application's executable in this process, under this command's path
// (which the application gives its autostart entry).
#include "app/Launcher.h"
#include "services/TitleLine.h"
#include "services/TitleQuery.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string ownPath(const char* fallback) {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : fallback;
}

int printTitle(quillbar::TitleLine::Format format) {
    using quillbar::TitleQuery;
    const TitleQuery::Answer answer = TitleQuery::read(QUILLBAR_BUNDLE_ID);
    if (answer.outcome != TitleQuery::Outcome::Title) {
        std::fprintf(stderr, "quillbar: %s\n",
                     answer.outcome == TitleQuery::Outcome::NoBus ? "no session bus"
                                                                  : "Quillbar is not running");
        return 1;
    }
    const std::string line = quillbar::TitleLine::format(answer.title, format);
    return std::fwrite(line.data(), 1, line.size(), stdout) == line.size() &&
                   std::fflush(stdout) == 0
               ? 0
               : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (const auto format = quillbar::Launcher::titleQuery(arguments)) {
        return printTitle(*format);
    }
    std::string self = ownPath(argv[0]);
    const std::string application =
        quillbar::Launcher::applicationPath(self, QUILLBAR_APPLICATION_DIR);
    argv[0] = self.data();
    ::execv(application.c_str(), argv);
    std::fprintf(stderr, "quillbar: cannot start %s: %s\n", application.c_str(),
                 std::strerror(errno));
    return 127;
}
