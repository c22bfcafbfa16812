// SPDX-License-Identifier: GPL-3.0-or-later
#include "XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <string>

extern char** environ;

namespace quillbar::test {

namespace {

// Reads the display number the server writes once it is ready, up to its newline.
std::string readDisplayNumber(int fd) {
    std::string number;
    char c = 0;
    pollfd watched{fd, POLLIN, 0};
    while (poll(&watched, 1, 10'000) == 1 && read(fd, &c, 1) == 1 && c != '\n') {
        number += c;
    }
    return c == '\n' ? number : std::string();
}

} // namespace

XvfbServer::XvfbServer() {
    std::array<int, 2> fds{};
    if (pipe2(fds.data(), O_CLOEXEC) != 0) {
        return;
    }
    fcntl(fds[1], F_SETFD, 0); // the server writes its display number here
    const std::string fd = std::to_string(fds[1]);
    std::array<const char*, 10> argv = {"Xvfb",       "-displayfd", fd.c_str(), "-nolisten",
                                        "tcp",        "-noreset",   "-screen",  "0",
                                        "640x480x24", nullptr};
    const bool spawned = posix_spawnp(&pid_, "Xvfb", nullptr, nullptr,
                                      const_cast<char* const*>(argv.data()), environ) == 0;
    close(fds[1]);
    if (spawned) {
        const std::string number = readDisplayNumber(fds[0]);
        displayName_ = number.empty() ? std::string() : ":" + number;
    } else {
        pid_ = -1;
    }
    close(fds[0]);
}

XvfbServer::~XvfbServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

} // namespace quillbar::test
