// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Workspace.h"

#include "platform/x11/X11Answers.h"
#include "platform/x11/X11ClientList.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Displays.h"

#include <xcb/xcb_icccm.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <unistd.h>

namespace quillbar {

namespace {

bool processLives(std::int32_t pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

std::optional<std::string> processName(std::int32_t pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    if (!std::getline(comm, name) || name.empty()) {
        return std::nullopt;
    }
    return name;
}

} // namespace

X11Workspace::X11Workspace(std::shared_ptr<X11Connection> connection, X11Displays& displays,
                           X11ClientList& clients)
    : connection_(std::move(connection))
    , displays_(displays)
    , clients_(clients) {}

std::optional<xcb_window_t> X11Workspace::activeWindow() {
    auto* ewmh = connection_->ewmh();
    xcb_window_t window = XCB_NONE;
    if (!xcb_ewmh_get_active_window_reply(
            ewmh, xcb_ewmh_get_active_window(ewmh, connection_->screenNumber()), &window,
            nullptr) ||
        window == XCB_NONE) {
        return std::nullopt;
    }
    return window;
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() {
    const auto window = activeWindow();
    if (!window) {
        return std::nullopt;
    }
    auto* ewmh = connection_->ewmh();
    auto* xcb = connection_->xcb();
    auto pidCookie = xcb_ewmh_get_wm_pid(ewmh, *window);
    auto classCookie = xcb_icccm_get_wm_class(xcb, *window);
    std::uint32_t pid = 0;
    const bool hasPid = xcb_ewmh_get_wm_pid_reply(ewmh, pidCookie, &pid, nullptr);
    std::optional<std::string> name;
    xcb_icccm_get_wm_class_reply_t wmClass{};
    if (xcb_icccm_get_wm_class_reply(xcb, classCookie, &wmClass, nullptr)) {
        if (wmClass.class_name && *wmClass.class_name) {
            name = wmClass.class_name;
        }
        xcb_icccm_get_wm_class_reply_wipe(&wmClass);
    }
    if (!hasPid || pid == 0 || pid > static_cast<std::uint32_t>(INT32_MAX)) {
        return std::nullopt;
    }
    const auto processIdentifier = static_cast<std::int32_t>(pid);
    return RunningApplication{processIdentifier, name ? name : processName(processIdentifier)};
}

std::optional<RunningApplication> X11Workspace::runningApplication(std::int32_t processIdentifier) {
    if (!processLives(processIdentifier)) {
        return std::nullopt;
    }
    RunningApplication application{processIdentifier, std::nullopt};
    for (const auto& client : clients_.read().clients) {
        if (client.pid == static_cast<std::uint32_t>(processIdentifier) &&
            !client.wmClass.empty()) {
            application.localizedName = client.wmClass;
            return application;
        }
    }
    application.localizedName = processName(processIdentifier);
    return application;
}

bool X11Workspace::activate(std::int32_t processIdentifier) {
    const auto snapshot = clients_.read();
    const X11ClientList::Client* chosen = nullptr;
    for (const auto& client : snapshot.clients) {
        if (client.pid != static_cast<std::uint32_t>(processIdentifier) ||
            client.kind == X11ClientList::Kind::Desktop) {
            continue;
        }
        if (X11ClientList::isOnScreen(client, snapshot)) {
            chosen = &client;
            break;
        }
        if (!chosen) {
            chosen = &client;
        }
    }
    if (!chosen) {
        return false;
    }
    auto* ewmh = connection_->ewmh();
    const int screen = connection_->screenNumber();
    if (chosen->desktop && *chosen->desktop != X11Answers::kAllDesktops &&
        chosen->desktop != snapshot.currentDesktop) {
        xcb_ewmh_request_change_current_desktop(ewmh, screen, *chosen->desktop, XCB_CURRENT_TIME);
    }
    xcb_ewmh_request_change_active_window(ewmh, screen, chosen->window, X11Connection::kPagerSource,
                                          XCB_CURRENT_TIME, XCB_NONE);
    xcb_flush(connection_->xcb());
    return true;
}

std::int32_t X11Workspace::ownProcessIdentifier() {
    return static_cast<std::int32_t>(::getpid());
}

std::optional<Screen> X11Workspace::keyWindowScreen() {
    const auto front = frontmostApplication();
    if (!front || front->processIdentifier != ownProcessIdentifier()) {
        return std::nullopt;
    }
    return displays_.primaryScreen();
}

std::unique_ptr<AnchorWindow> X11Workspace::createAnchorWindow(const Rect&) {
    return nullptr;
}

} // namespace quillbar
