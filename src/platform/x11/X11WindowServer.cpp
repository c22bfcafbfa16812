#include "platform/x11/X11WindowServer.h"

#include "platform/x11/X11Answers.h"
#include "platform/x11/X11ClientList.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Displays.h"

#include <limits>

namespace quillbar {

namespace {

// Window manager requests that name themselves as coming from a pager are obeyed without the
// focus-stealing rules applied to applications.
constexpr auto kPagerSource = XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER;

bool isWindowNumber(std::int64_t number) {
    return number > 0 && number <= std::numeric_limits<xcb_window_t>::max();
}

} // namespace

X11WindowServer::X11WindowServer(std::shared_ptr<X11Connection> connection, X11Displays& displays,
                                 X11ClientList& clients)
    : connection_(std::move(connection))
    , displays_(displays)
    , clients_(clients) {}

std::optional<X11WindowServer::Desktops> X11WindowServer::desktops() {
    auto* ewmh = connection_->ewmh();
    const int screen = connection_->screenNumber();
    // One round trip for the three root properties, one more to check that the manager is alive.
    auto checkCookie = xcb_ewmh_get_supporting_wm_check(ewmh, connection_->root());
    auto countCookie = xcb_ewmh_get_number_of_desktops(ewmh, screen);
    auto currentCookie = xcb_ewmh_get_current_desktop(ewmh, screen);
    xcb_window_t check = XCB_NONE;
    Desktops answer;
    const bool hasCheck =
        xcb_ewmh_get_supporting_wm_check_reply(ewmh, checkCookie, &check, nullptr);
    const bool hasCount =
        xcb_ewmh_get_number_of_desktops_reply(ewmh, countCookie, &answer.count, nullptr);
    const bool hasCurrent =
        xcb_ewmh_get_current_desktop_reply(ewmh, currentCookie, &answer.current, nullptr);
    if (!hasCheck || !hasCount || !hasCurrent || check == XCB_NONE || answer.count == 0) {
        return std::nullopt;
    }
    // Properties left behind by a window manager that died name a window that is gone.
    xcb_window_t self = XCB_NONE;
    if (!xcb_ewmh_get_supporting_wm_check_reply(ewmh, xcb_ewmh_get_supporting_wm_check(ewmh, check),
                                                &self, nullptr) ||
        self != check) {
        return std::nullopt;
    }
    return answer;
}

std::optional<std::uint32_t> X11WindowServer::desktopOf(xcb_window_t window) {
    auto* ewmh = connection_->ewmh();
    std::uint32_t desktop = 0;
    if (!xcb_ewmh_get_wm_desktop_reply(ewmh, xcb_ewmh_get_wm_desktop(ewmh, window), &desktop,
                                       nullptr)) {
        return std::nullopt;
    }
    return desktop;
}

nlohmann::json X11WindowServer::copyManagedDisplaySpaces() {
    const auto state = desktops();
    if (!state) {
        return nullptr;
    }
    return nlohmann::json::array(
        {X11Answers::managedDisplay(displays_.identifier(), state->count, state->current)});
}

void X11WindowServer::addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) {
    if (!isWindowNumber(windowNumber) || managedSpaceID < 1 ||
        managedSpaceID > std::numeric_limits<std::uint32_t>::max()) {
        return;
    }
    const auto window = static_cast<xcb_window_t>(windowNumber);
    const auto target = static_cast<std::uint32_t>(managedSpaceID - 1);
    connection_->selectEvents(window, XCB_EVENT_MASK_PROPERTY_CHANGE);
    if (desktopOf(window) == target) {
        return;
    }
    auto* ewmh = connection_->ewmh();
    xcb_ewmh_request_change_wm_desktop(ewmh, connection_->screenNumber(), window, target,
                                       kPagerSource);

    // The window manager answers by rewriting the window's _NET_WM_DESKTOP.
    const xcb_atom_t property = ewmh->_NET_WM_DESKTOP;
    const auto deadline = std::chrono::steady_clock::now() + kPlacementTimeout;
    const auto isDesktopChange = [window, property](const xcb_generic_event_t& event) {
        if ((event.response_type & 0x7F) != XCB_PROPERTY_NOTIFY) {
            return false;
        }
        const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        return notify.window == window && notify.atom == property;
    };
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !connection_->waitForEvent(isDesktopChange, left) ||
            desktopOf(window) == target) {
            return;
        }
    }
}

nlohmann::json X11WindowServer::copyWindowList() {
    const auto snapshot = clients_.read();
    if (!snapshot.hasClientList) {
        return nullptr;
    }
    auto windows = nlohmann::json::array();
    for (const auto& client : snapshot.clients) {
        // Desktop elements are never part of the list.
        if (client.kind == X11ClientList::Kind::Desktop ||
            !X11ClientList::isOnScreen(client, snapshot)) {
            continue;
        }
        X11Answers::WindowFacts facts;
        if (client.pid) {
            facts.ownerPID = *client.pid;
        }
        facts.layer = X11ClientList::layerOf(client.kind);
        facts.alpha = client.alpha;
        facts.bounds = client.bounds;
        windows.push_back(X11Answers::window(facts));
    }
    return windows;
}

nlohmann::json X11WindowServer::copySpacesForWindow(std::int64_t windowNumber) {
    if (!isWindowNumber(windowNumber)) {
        return nullptr;
    }
    auto* ewmh = connection_->ewmh();
    const auto window = static_cast<xcb_window_t>(windowNumber);
    auto desktopCookie = xcb_ewmh_get_wm_desktop(ewmh, window);
    auto countCookie = xcb_ewmh_get_number_of_desktops(ewmh, connection_->screenNumber());
    std::uint32_t desktop = 0;
    std::uint32_t count = 0;
    const bool hasDesktop = xcb_ewmh_get_wm_desktop_reply(ewmh, desktopCookie, &desktop, nullptr);
    const bool hasCount = xcb_ewmh_get_number_of_desktops_reply(ewmh, countCookie, &count, nullptr);
    if (!hasDesktop || !hasCount) {
        return nullptr;
    }
    return X11Answers::spacesOfDesktop(desktop, count);
}

SpaceServerAPI X11WindowServer::spaceServerAPI() {
    SpaceServerAPI api;
    api.copySpacesForWindows = [this](std::int64_t windowNumber) {
        return copySpacesForWindow(windowNumber);
    };
    api.activeSpace = [this]() -> std::int64_t {
        const auto state = desktops();
        return state ? std::int64_t{state->current} + 1 : 0;
    };
    api.displayCurrentSpace = [this](const std::string& identifier) -> std::int64_t {
        if (identifier != displays_.identifier()) {
            return 0;
        }
        const auto state = desktops();
        return state ? std::int64_t{state->current} + 1 : 0;
    };
    return api;
}

} // namespace quillbar
