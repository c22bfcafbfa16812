// SPDX-License-Identifier: GPL-3.0-or-later
// The `quillbar` command. It links no toolkit: `quillbar --print-title` is a single bus call and
// `--follow` a bus client that prints each change; everything else runs the application's
// executable in this process, under this command's path (which the application gives its
// autostart entry).
#include "app/Launcher.h"
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

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (const auto request = quillbar::Launcher::titleQuery(arguments)) {
        return quillbar::TitleQuery::run(QUILLBAR_BUNDLE_ID, request->format, request->follow);
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
