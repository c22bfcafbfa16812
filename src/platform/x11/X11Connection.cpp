// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Connection.h"

#include <xcb/randr.h>

#include <array>
#include <cstdlib>
#include <vector>

namespace quillbar {

namespace {

using ReplyPtr = std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)>;

xcb_screen_t* screenOfNumber(xcb_connection_t* connection, int number) {
    auto it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; it.rem > 0; xcb_screen_next(&it), ++i) {
        if (i == number) {
            return it.data;
        }
    }
    return nullptr;
}

} // namespace

std::unique_ptr<X11Connection> X11Connection::open(const char* displayName) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(displayName, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    const char* name = displayName ? displayName : std::getenv("DISPLAY");
    std::unique_ptr<X11Connection> result(
        new X11Connection(connection, screenNumber, name ? name : ""));
    if (!result->initialise()) {
        return nullptr;
    }
    return result;
}

X11Connection::X11Connection(xcb_connection_t* connection, int screenNumber,
                             std::string displayName)
    : connection_(connection)
    , screenNumber_(screenNumber)
    , displayName_(std::move(displayName)) {}

X11Connection::~X11Connection() {
    if (ewmhReady_) {
        xcb_ewmh_connection_wipe(&ewmh_);
    }
    xcb_disconnect(connection_);
}

bool X11Connection::initialise() {
    screen_ = screenOfNumber(connection_, screenNumber_);
    if (!screen_) {
        return false;
    }
    char* host = nullptr;
    int screenIgnored = 0;
    if (xcb_parse_display(displayName_.c_str(), &host, &displayNumber_, &screenIgnored)) {
        host_ = host ? host : "";
        std::free(host);
    }

    // Every atom and extension query goes out at once; the replies come back in one round trip.
    xcb_intern_atom_cookie_t* ewmhCookies = xcb_ewmh_init_atoms(connection_, &ewmh_);
    const std::array<const char*, 3> names = {"_NET_WM_WINDOW_OPACITY", "_MOTIF_WM_HINTS", "EDID"};
    std::array<xcb_intern_atom_cookie_t, 3> cookies{};
    for (std::size_t i = 0; i < names.size(); ++i) {
        cookies[i] = xcb_intern_atom(connection_, 0, std::string_view(names[i]).size(), names[i]);
    }
    xcb_prefetch_extension_data(connection_, &xcb_randr_id);

    ewmhReady_ = xcb_ewmh_init_atoms_replies(&ewmh_, ewmhCookies, nullptr) != 0;
    std::array<xcb_atom_t*, 3> targets = {&atoms_.windowOpacity, &atoms_.motifHints, &atoms_.edid};
    for (std::size_t i = 0; i < names.size(); ++i) {
        ReplyPtr reply(xcb_intern_atom_reply(connection_, cookies[i], nullptr), &std::free);
        *targets[i] = reply ? reply->atom : XCB_NONE;
    }
    if (!ewmhReady_) {
        return false;
    }

    const auto* randr = xcb_get_extension_data(connection_, &xcb_randr_id);
    if (randr && randr->present) {
        randrFirstEvent_ = randr->first_event;
        auto* version = xcb_randr_query_version_reply(
            connection_, xcb_randr_query_version(connection_, 1, 5), nullptr);
        hasRandrMonitors_ =
            version && (version->major_version > 1 ||
                        (version->major_version == 1 && version->minor_version >= 5));
        std::free(version);
    }
    return !hasError();
}

bool X11Connection::hasError() const {
    return xcb_connection_has_error(connection_) != 0;
}

int X11Connection::fileDescriptor() const {
    return xcb_get_file_descriptor(connection_);
}

int X11Connection::addListener(Listener listener) {
    const int key = nextListener_++;
    listeners_.emplace(key, std::move(listener));
    return key;
}

void X11Connection::removeListener(int key) {
    listeners_.erase(key);
}

void X11Connection::dispatch(const xcb_generic_event_t& event) {
    // A listener may remove itself (or another) while we deliver.
    std::vector<int> keys;
    for (const auto& entry : listeners_) {
        keys.push_back(entry.first);
    }
    for (int key : keys) {
        auto found = listeners_.find(key);
        if (found != listeners_.end()) {
            found->second(event);
        }
    }
}

void X11Connection::pumpEvents() {
    // Between two quiet points the program answers one wake; reading the socket again for each
    // question it asks costs a system call and finds nothing the first read did not.
    if (quietPointsMarked_ && socketRead_) {
        handOut(xcb_poll_for_queued_event);
        return;
    }
    readEvents();
}

void X11Connection::readEvents() {
    socketRead_ = true;
    // One read takes in all the socket holds (or a buffer's worth, and the notifier fires again):
    // reading on until the socket is empty would cost a system call that finds nothing.
    handOut(xcb_poll_for_event, xcb_poll_for_queued_event);
}

void X11Connection::markQuiet() {
    quietPointsMarked_ = true;
    socketRead_ = false;
    handOut(xcb_poll_for_queued_event);
}

void X11Connection::handOut(NextEvent first, NextEvent rest) {
    bool dispatched = false;
    for (xcb_generic_event_t* event = first(connection_); event; event = rest(connection_)) {
        dispatch(*event);
        std::free(event);
        dispatched = true;
    }
    if (dispatched) {
        xcb_flush(connection_); // what the listeners asked for, in one write
    }
}

std::optional<xcb_window_t> X11Connection::windowManagerCheckWindow() {
    xcb_window_t check = XCB_NONE;
    if (!xcb_ewmh_get_supporting_wm_check_reply(
            &ewmh_, xcb_ewmh_get_supporting_wm_check(&ewmh_, root()), &check, nullptr) ||
        check == XCB_NONE) {
        return std::nullopt;
    }
    // A stale property from a window manager that died names a window that is gone or not its own.
    xcb_window_t self = XCB_NONE;
    if (!xcb_ewmh_get_supporting_wm_check_reply(
            &ewmh_, xcb_ewmh_get_supporting_wm_check(&ewmh_, check), &self, nullptr) ||
        self != check) {
        return std::nullopt;
    }
    return check;
}

bool X11Connection::selectEvents(xcb_window_t window, std::uint32_t mask) {
    auto* attributes = xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr);
    if (!attributes) {
        return false;
    }
    const std::uint32_t wanted = attributes->your_event_mask | mask;
    std::free(attributes);
    xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &wanted);
    return true;
}

} // namespace quillbar
