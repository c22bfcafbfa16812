// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11WindowServer.h"

#include "platform/LogSink.h"
#include "platform/x11/X11Answers.h"
#include "platform/x11/X11ClientList.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Displays.h"
#include "platform/x11/X11Reply.h"

#include <limits>

namespace quillbar {

namespace {

bool isWindowNumber(std::int64_t number) {
    return number > 0 && number <= std::numeric_limits<xcb_window_t>::max();
}

} // namespace

X11WindowServer::X11WindowServer(std::shared_ptr<X11Connection> connection, X11Displays& displays,
                                 X11ClientList& clients, LogSink& log)
    : connection_(std::move(connection))
    , displays_(displays)
    , clients_(clients)
    , log_(log) {
    listener_ = connection_->addListener(
        [this](const xcb_generic_event_t& event) { forgetOnChange(event); });
    connection_->selectEvents(connection_->root(), XCB_EVENT_MASK_PROPERTY_CHANGE);
}

X11WindowServer::~X11WindowServer() {
    connection_->removeListener(listener_);
    if (currentRequest_) {
        xcb_discard_reply(connection_->xcb(), currentRequest_->sequence);
    }
}

void X11WindowServer::forgetOnChange(const xcb_generic_event_t& event) {
    const std::uint8_t type = event.response_type & 0x7F;
    auto* ewmh = connection_->ewmh();
    if (type == XCB_PROPERTY_NOTIFY) {
        const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        if (notify.window == connection_->root()) {
            if (notify.atom == ewmh->_NET_CURRENT_DESKTOP) {
                current_.reset();
                // One question in flight: a burst of changes asks once more when it is read,
                // not once per change.
                if (currentRequest_) {
                    currentRequestStale_ = true;
                } else {
                    askForCurrentDesktop();
                }
            } else if (notify.atom == ewmh->_NET_NUMBER_OF_DESKTOPS ||
                       notify.atom == ewmh->_NET_DESKTOP_NAMES) {
                layout_.reset();
                answer_.reset();
            } else if (notify.atom == ewmh->_NET_SUPPORTING_WM_CHECK) {
                forgetDesktops(); // another window manager: nothing it said is known yet
            }
        } else if (notify.atom == ewmh->_NET_WM_DESKTOP) {
            windowDesktops_.erase(notify.window);
        }
    } else if (type == XCB_DESTROY_NOTIFY) {
        const auto& notify = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
        windowDesktops_.erase(notify.window);
        watched_.erase(notify.window);
        if (manager_ && *manager_ == notify.window) {
            forgetDesktops(); // the window manager is gone
        }
    }
}

void X11WindowServer::forgetDesktops() {
    manager_.reset();
    layout_.reset();
    current_.reset();
    currentRequestStale_ = true;
    answer_.reset();
}

void X11WindowServer::askForCurrentDesktop() {
    // Sent now rather than with whatever the other listeners ask for: the title waits on this
    // answer, and the server answers in the order requests arrive.
    currentRequest_ =
        xcb_ewmh_get_current_desktop(connection_->ewmh(), connection_->screenNumber());
    xcb_flush(connection_->xcb());
}

void X11WindowServer::watch(xcb_window_t window) {
    if (!watched_.contains(window) &&
        connection_->selectEvents(window, XCB_EVENT_MASK_PROPERTY_CHANGE |
                                              XCB_EVENT_MASK_STRUCTURE_NOTIFY)) {
        watched_.insert(window);
    }
}

bool X11WindowServer::knowDesktops() {
    connection_->pumpEvents(); // take in every change the server has told us of so far
    if (!manager_ || !layout_ || !current_) {
        readDesktops();
    }
    return *manager_ && *layout_ && *current_;
}

std::optional<X11WindowServer::Desktops> X11WindowServer::desktops() {
    if (!knowDesktops()) {
        return std::nullopt;
    }
    return Desktops{(*layout_)->count, **current_, (*layout_)->names};
}

std::optional<std::uint32_t> X11WindowServer::currentDesktop() {
    return knowDesktops() ? std::optional<std::uint32_t>(**current_) : std::nullopt;
}

void X11WindowServer::readDesktops() {
    auto* ewmh = connection_->ewmh();
    const int screen = connection_->screenNumber();
    // Every part asked for at once; the check window's own property, which proves the manager
    // alive, can only be asked for once the root has named it.
    std::optional<xcb_get_property_cookie_t> checkCookie;
    std::optional<xcb_get_property_cookie_t> countCookie;
    std::optional<xcb_get_property_cookie_t> namesCookie;
    std::optional<xcb_get_property_cookie_t> currentCookie;
    if (!manager_) {
        checkCookie = xcb_ewmh_get_supporting_wm_check(ewmh, connection_->root());
    }
    if (!layout_) {
        countCookie = xcb_ewmh_get_number_of_desktops(ewmh, screen);
        // Asked for directly rather than through xcb-ewmh, which would take a property of any
        // size.
        namesCookie =
            xcb_get_property(connection_->xcb(), 0, connection_->root(), ewmh->_NET_DESKTOP_NAMES,
                             ewmh->UTF8_STRING, 0, kMaxDesktopNamesBytes / 4);
    }
    if (!current_) {
        if (currentRequest_ && currentRequestStale_) {
            // Its answer may predate the last change.
            xcb_discard_reply(connection_->xcb(), currentRequest_->sequence);
            currentRequest_.reset();
        }
        currentCookie =
            currentRequest_ ? *currentRequest_ : xcb_ewmh_get_current_desktop(ewmh, screen);
        currentRequest_.reset();
        currentRequestStale_ = false;
    }

    if (checkCookie) {
        readManager(*checkCookie);
    }
    if (countCookie) {
        std::uint32_t count = 0;
        std::optional<Layout> layout;
        if (xcb_ewmh_get_number_of_desktops_reply(ewmh, *countCookie, &count, nullptr) &&
            count > 0) {
            layout = Layout{boundedCount(count), {}};
        }
        std::vector<std::string> names = desktopNames(*namesCookie, layout ? layout->count : 0);
        if (layout) {
            layout->names = std::move(names);
        }
        layout_ = std::move(layout);
    }
    if (currentCookie) {
        std::uint32_t current = 0;
        current_ = xcb_ewmh_get_current_desktop_reply(ewmh, *currentCookie, &current, nullptr)
                       ? std::optional<std::uint32_t>(current)
                       : std::nullopt;
    }
}

void X11WindowServer::readManager(xcb_get_property_cookie_t cookie) {
    auto* ewmh = connection_->ewmh();
    xcb_window_t check = XCB_NONE;
    std::optional<xcb_window_t> manager;
    if (xcb_ewmh_get_supporting_wm_check_reply(ewmh, cookie, &check, nullptr) &&
        check != XCB_NONE) {
        manager = check;
    }
    // Properties left behind by a window manager that died name a window that is gone.
    xcb_window_t self = XCB_NONE;
    if (manager && (!xcb_ewmh_get_supporting_wm_check_reply(
                        ewmh, xcb_ewmh_get_supporting_wm_check(ewmh, check), &self, nullptr) ||
                    self != check)) {
        manager.reset();
    }
    // Its destruction is what tells that the manager is gone while we keep its answers.
    if (manager && !connection_->selectEvents(*manager, XCB_EVENT_MASK_STRUCTURE_NOTIFY)) {
        manager.reset();
    }
    manager_ = manager;
}

std::vector<std::string> X11WindowServer::desktopNames(xcb_get_property_cookie_t cookie,
                                                       std::uint32_t count) {
    auto* ewmh = connection_->ewmh();
    const auto reply = ownReply(xcb_get_property_reply(connection_->xcb(), cookie, nullptr));
    if (!reply || reply->format != 8 || reply->type != ewmh->UTF8_STRING || count == 0) {
        return {};
    }
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
    const auto length = static_cast<std::size_t>(xcb_get_property_value_length(reply.get()));
    return X11Answers::desktopNames(std::string_view(bytes, length), count);
}

std::uint32_t X11WindowServer::boundedCount(std::uint32_t claimed) {
    const std::uint32_t count = X11Answers::boundedDesktopCount(claimed);
    // Once per claim: a client rewriting the property in a loop does not flood the log.
    if (count != claimed && claimed != reportedClaim_) {
        log_.log(LogLevel::Default, "The window manager claims " + std::to_string(claimed) +
                                        " desktops; reading the first " + std::to_string(count));
    }
    reportedClaim_ = count != claimed ? claimed : 0;
    return count;
}

std::optional<std::uint32_t> X11WindowServer::desktopOf(xcb_window_t window) {
    watch(window);
    connection_->pumpEvents();
    if (auto known = windowDesktops_.find(window); known != windowDesktops_.end()) {
        return known->second;
    }
    auto* ewmh = connection_->ewmh();
    std::uint32_t desktop = 0;
    std::optional<std::uint32_t> answer;
    if (xcb_ewmh_get_wm_desktop_reply(ewmh, xcb_ewmh_get_wm_desktop(ewmh, window), &desktop,
                                      nullptr)) {
        answer = desktop;
    }
    // A window that is already gone sends no more events: keep no answer for it.
    if (watched_.contains(window)) {
        windowDesktops_[window] = answer;
    }
    return answer;
}

nlohmann::json X11WindowServer::copyManagedDisplaySpaces() {
    const std::shared_ptr<const nlohmann::json> kept = keptManagedDisplaySpaces();
    return kept ? *kept : nlohmann::json(nullptr);
}

std::shared_ptr<const nlohmann::json> X11WindowServer::keptManagedDisplaySpaces() {
    if (!knowDesktops()) {
        return nullptr;
    }
    const Layout& layout = **layout_;
    const std::uint32_t current = **current_;
    if (!answer_) {
        ++spacesRevision_;
        answer_ =
            std::make_shared<nlohmann::json>(nlohmann::json::array({X11Answers::managedDisplay(
                displays_.identifier(), layout.count, current, layout.names)}));
    } else if (displayCurrent_ != current) {
        if (answer_.use_count() > 1) {
            answer_ = std::make_shared<nlohmann::json>(*answer_); // a reader still holds this one
        }
        X11Answers::setCurrentDesktop((*answer_)[0], current);
    }
    displayCurrent_ = current;
    return answer_;
}

void X11WindowServer::addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) {
    if (!isWindowNumber(windowNumber) || managedSpaceID < 1 ||
        managedSpaceID > std::numeric_limits<std::uint32_t>::max()) {
        return;
    }
    const auto window = static_cast<xcb_window_t>(windowNumber);
    const auto target = static_cast<std::uint32_t>(managedSpaceID - 1);
    if (desktopOf(window) == target) {
        return;
    }
    xcb_ewmh_request_change_wm_desktop(connection_->ewmh(), connection_->screenNumber(), window,
                                       target, X11Connection::kPagerSource);
    xcb_flush(connection_->xcb());
}

void X11WindowServer::showDesktop(std::int64_t managedSpaceID) {
    const auto state = desktops();
    if (!state || managedSpaceID < 1 || managedSpaceID > std::int64_t{state->count}) {
        return;
    }
    // The window manager answers by changing _NET_CURRENT_DESKTOP, which the event monitor reports.
    xcb_ewmh_request_change_current_desktop(connection_->ewmh(), connection_->screenNumber(),
                                            static_cast<std::uint32_t>(managedSpaceID - 1),
                                            XCB_CURRENT_TIME);
    xcb_flush(connection_->xcb());
}

std::optional<std::string> X11WindowServer::renameDesktop(std::int64_t managedSpaceID,
                                                          const std::string& name) {
    const auto state = desktops();
    if (!state || managedSpaceID < 1 || managedSpaceID > std::int64_t{state->count}) {
        return "The window manager has no such desktop.";
    }
    const auto value = X11Answers::renamedDesktopNames(
        state->names, state->count, static_cast<std::uint32_t>(managedSpaceID - 1), name,
        kMaxDesktopNamesBytes);
    if (!value) {
        return "The desktops' names would be too long.";
    }
    // The whole list, as pagers write it; the window manager's answer is read afresh (after this
    // request: the server keeps their order), so the next rename starts from this one.
    xcb_ewmh_set_desktop_names(connection_->ewmh(), connection_->screenNumber(),
                               static_cast<std::uint32_t>(value->size()), value->data());
    xcb_flush(connection_->xcb());
    layout_.reset();
    answer_.reset();
    return std::nullopt;
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
    const auto state = desktops();
    const auto desktop = desktopOf(static_cast<xcb_window_t>(windowNumber));
    if (!state || !desktop) {
        return nullptr;
    }
    return X11Answers::spacesOfDesktop(*desktop, state->count);
}

SpaceServerAPI X11WindowServer::spaceServerAPI() {
    SpaceServerAPI api;
    api.copySpacesForWindows = [this](std::int64_t windowNumber) {
        return copySpacesForWindow(windowNumber);
    };
    // Asked on every refresh: the current desktop alone, the names are not copied for it.
    api.activeSpace = [this]() -> std::int64_t {
        const auto current = currentDesktop();
        return current ? std::int64_t{*current} + 1 : 0;
    };
    // The one display shows the active space.
    api.displayCurrentSpace =
        [this, activeSpace = api.activeSpace](const std::string& identifier) -> std::int64_t {
        return identifier == displays_.identifier() ? activeSpace() : 0;
    };
    api.showSpace = [this](std::int64_t managedSpaceID) { showDesktop(managedSpaceID); };
    api.renameSpace = [this](std::int64_t managedSpaceID, const std::string& name) {
        return renameDesktop(managedSpaceID, name);
    };
    return api;
}

} // namespace quillbar
