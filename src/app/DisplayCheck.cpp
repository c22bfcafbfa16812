// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DisplayCheck.h"

#include "platform/x11/X11Platform.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <thread>

namespace quillbar {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A compositor listens on its socket; connecting never waits on the compositor itself.
std::optional<std::string> waylandProblem(const DisplayCheck::Environment& environment) {
    std::string path = environment.waylandDisplay;
    if (path.front() != '/') {
        if (environment.runtimeDir.empty()) {
            return "WAYLAND_DISPLAY=" + path + " but XDG_RUNTIME_DIR is not set";
        }
        path = environment.runtimeDir + "/" + path;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        return "WAYLAND_DISPLAY=" + environment.waylandDisplay + ": the socket path is too long";
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return "WAYLAND_DISPLAY=" + environment.waylandDisplay + ": no socket could be made";
    }
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    const int error = errno;
    ::close(fd);
    if (!connected && error != EAGAIN && error != EINPROGRESS) {
        return "WAYLAND_DISPLAY=" + environment.waylandDisplay + ": no compositor answers at " +
               path + " (" + std::strerror(error) + ")";
    }
    return std::nullopt;
}

// Connecting waits on the server's greeting, so it runs on a thread of its own under a deadline;
// a server that never greets leaves that thread behind, and the process ends anyway.
std::optional<std::string> x11Problem(const std::string& display,
                                      std::chrono::milliseconds deadline) {
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> answered = answer->get_future();
    std::thread([answer, display] {
        answer->set_value(X11Platform::serverAnswers(display.c_str()));
    }).detach();
    if (answered.wait_for(deadline) != std::future_status::ready) {
        return "DISPLAY=" + display + ": the X server does not answer";
    }
    if (!answered.get()) {
        return "DISPLAY=" + display + ": no X server answers there";
    }
    return std::nullopt;
}

} // namespace

DisplayCheck::Environment DisplayCheck::current() {
    return {variable("DISPLAY"), variable("WAYLAND_DISPLAY"), variable("XDG_RUNTIME_DIR"),
            variable("QT_QPA_PLATFORM")};
}

std::optional<std::string> DisplayCheck::problem(const Environment& environment,
                                                 std::chrono::milliseconds deadline) {
    const std::string& platform = environment.qpaPlatform;
    const bool waylandAllowed = platform.empty() || platform.find("wayland") != std::string::npos;
    const bool x11Allowed = platform.empty() || platform.find("xcb") != std::string::npos;
    if (!waylandAllowed && !x11Allowed) {
        return std::nullopt; // offscreen, vnc and the like need no display of the session
    }
    std::string found;
    if (waylandAllowed && !environment.waylandDisplay.empty()) {
        const std::optional<std::string> why = waylandProblem(environment);
        if (!why) {
            return std::nullopt;
        }
        found = *why;
    }
    if (x11Allowed && !environment.display.empty()) {
        const std::optional<std::string> why = x11Problem(environment.display, deadline);
        if (!why) {
            return std::nullopt;
        }
        found += (found.empty() ? "" : "; ") + *why;
    }
    if (found.empty()) {
        return std::nullopt; // no display named at all: the caller explains that case
    }
    return "The display does not answer (" + found +
           "). Quillbar needs the desktop session these variables name: start it from inside "
           "that session, or set DISPLAY or WAYLAND_DISPLAY to one that runs.";
}

} // namespace quillbar
