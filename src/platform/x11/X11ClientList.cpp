// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11ClientList.h"

#include "platform/x11/X11Answers.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Reply.h"

#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <cstring>

namespace quillbar {

namespace {

// Layers of the window list for windows that are not ordinary (values of other window servers).
constexpr int kDockLayer = 20;
constexpr int kDesktopLayer = -2147483623;
constexpr int kFloatingLayer = 3;

// Every request for one window; sent for all windows before any reply is read.
struct Cookies {
    xcb_get_property_cookie_t desktop;
    xcb_get_property_cookie_t state;
    xcb_get_property_cookie_t pid;
    xcb_get_property_cookie_t type;
    xcb_get_property_cookie_t opacity;
    xcb_get_property_cookie_t extents;
    xcb_get_property_cookie_t wmClass;
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t position;
};

X11ClientList::Kind kindOf(xcb_ewmh_connection_t* ewmh, const xcb_ewmh_get_atoms_reply_t& types) {
    for (std::uint32_t i = 0; i < types.atoms_len; ++i) {
        const xcb_atom_t type = types.atoms[i];
        if (type == ewmh->_NET_WM_WINDOW_TYPE_NORMAL || type == ewmh->_NET_WM_WINDOW_TYPE_DIALOG) {
            return X11ClientList::Kind::Normal;
        }
        if (type == ewmh->_NET_WM_WINDOW_TYPE_DOCK) {
            return X11ClientList::Kind::Dock;
        }
        if (type == ewmh->_NET_WM_WINDOW_TYPE_DESKTOP) {
            return X11ClientList::Kind::Desktop;
        }
    }
    // Only types we do not know (toolbars, menus, utilities, splashes...): not an ordinary window.
    return types.atoms_len > 0 ? X11ClientList::Kind::Other : X11ClientList::Kind::Normal;
}

Cookies ask(X11Connection& connection, xcb_window_t window) {
    auto* ewmh = connection.ewmh();
    auto* xcb = connection.xcb();
    return {
        xcb_ewmh_get_wm_desktop(ewmh, window),
        xcb_ewmh_get_wm_state(ewmh, window),
        xcb_ewmh_get_wm_pid(ewmh, window),
        xcb_ewmh_get_wm_window_type(ewmh, window),
        xcb_get_property(xcb, 0, window, connection.atoms().windowOpacity, XCB_ATOM_CARDINAL, 0, 1),
        xcb_ewmh_get_frame_extents(ewmh, window),
        xcb_icccm_get_wm_class(xcb, window),
        xcb_get_window_attributes(xcb, window),
        xcb_get_geometry(xcb, window),
        xcb_translate_coordinates(xcb, window, connection.root(), 0, 0)};
}

// The properties of the answer: desktop, state, pid, type, opacity and class.
void readProperties(X11Connection& connection, const Cookies& c, X11ClientList::Client& client) {
    auto* ewmh = connection.ewmh();
    auto* xcb = connection.xcb();
    std::uint32_t value = 0;
    if (xcb_ewmh_get_wm_desktop_reply(ewmh, c.desktop, &value, nullptr)) {
        client.desktop = value;
    }
    xcb_ewmh_get_atoms_reply_t states{};
    if (xcb_ewmh_get_wm_state_reply(ewmh, c.state, &states, nullptr)) {
        client.hidden = std::find(states.atoms, states.atoms + states.atoms_len,
                                  ewmh->_NET_WM_STATE_HIDDEN) != states.atoms + states.atoms_len;
        xcb_ewmh_get_atoms_reply_wipe(&states);
    }
    if (xcb_ewmh_get_wm_pid_reply(ewmh, c.pid, &value, nullptr)) {
        client.pid = value;
    }
    xcb_ewmh_get_atoms_reply_t types{};
    if (xcb_ewmh_get_wm_window_type_reply(ewmh, c.type, &types, nullptr)) {
        client.kind = kindOf(ewmh, types);
        xcb_ewmh_get_atoms_reply_wipe(&types);
    }
    auto opacity = ownReply(xcb_get_property_reply(xcb, c.opacity, nullptr));
    if (opacity && opacity->format == 32 && xcb_get_property_value_length(opacity.get()) >= 4) {
        std::uint32_t raw = 0;
        std::memcpy(&raw, xcb_get_property_value(opacity.get()), sizeof raw);
        client.alpha = X11Answers::opacityFraction(raw);
    }
    xcb_icccm_get_wm_class_reply_t wmClass{};
    if (xcb_icccm_get_wm_class_reply(xcb, c.wmClass, &wmClass, nullptr)) {
        client.wmClass = wmClass.class_name ? wmClass.class_name : "";
        xcb_icccm_get_wm_class_reply_wipe(&wmClass);
    }
}

// Every answer for one window; nothing when it went away while we asked.
std::optional<X11ClientList::Client> answer(X11Connection& connection, xcb_window_t window,
                                            const Cookies& c) {
    X11ClientList::Client client;
    client.window = window;
    readProperties(connection, c, client);
    auto* xcb = connection.xcb();
    xcb_ewmh_get_extents_reply_t extents{};
    const bool hasExtents =
        xcb_ewmh_get_frame_extents_reply(connection.ewmh(), c.extents, &extents, nullptr);
    auto attributes = ownReply(xcb_get_window_attributes_reply(xcb, c.attributes, nullptr));
    client.viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    auto geometry = ownReply(xcb_get_geometry_reply(xcb, c.geometry, nullptr));
    auto position = ownReply(xcb_translate_coordinates_reply(xcb, c.position, nullptr));
    if (!geometry || !position) {
        return std::nullopt;
    }
    const double left = hasExtents ? extents.left : 0;
    const double right = hasExtents ? extents.right : 0;
    const double top = hasExtents ? extents.top : 0;
    const double bottom = hasExtents ? extents.bottom : 0;
    client.bounds = {position->dst_x - left, position->dst_y - top, geometry->width + left + right,
                     geometry->height + top + bottom};
    return client;
}

} // namespace

X11ClientList::X11ClientList(std::shared_ptr<X11Connection> connection)
    : connection_(std::move(connection)) {}

X11ClientList::Snapshot X11ClientList::read() {
    Snapshot snapshot;
    auto* ewmh = connection_->ewmh();
    auto stackingCookie = xcb_ewmh_get_client_list_stacking(ewmh, connection_->screenNumber());
    auto currentCookie = xcb_ewmh_get_current_desktop(ewmh, connection_->screenNumber());
    xcb_ewmh_get_windows_reply_t stacking{};
    snapshot.hasClientList =
        xcb_ewmh_get_client_list_stacking_reply(ewmh, stackingCookie, &stacking, nullptr) != 0;
    std::uint32_t current = 0;
    if (xcb_ewmh_get_current_desktop_reply(ewmh, currentCookie, &current, nullptr)) {
        snapshot.currentDesktop = current;
    }
    if (!snapshot.hasClientList) {
        return snapshot;
    }
    // The property lists the bottom window first; a list longer than any desktop holds is cut
    // at the bottom, so the top windows stay.
    const std::uint32_t kept = std::min<std::uint32_t>(stacking.windows_len, kMaxClients);
    std::vector<xcb_window_t> windows(stacking.windows + (stacking.windows_len - kept),
                                      stacking.windows + stacking.windows_len);
    xcb_ewmh_get_windows_reply_wipe(&stacking);
    std::reverse(windows.begin(), windows.end());

    std::vector<Cookies> cookies;
    cookies.reserve(windows.size());
    for (xcb_window_t window : windows) {
        cookies.push_back(ask(*connection_, window));
    }
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (auto client = answer(*connection_, windows[i], cookies[i])) {
            snapshot.clients.push_back(std::move(*client));
        }
    }
    return snapshot;
}

bool X11ClientList::isOnScreen(const Client& client, const Snapshot& snapshot) {
    if (!client.viewable || client.hidden) {
        return false;
    }
    if (!client.desktop || *client.desktop == X11Answers::kAllDesktops) {
        return true;
    }
    return snapshot.currentDesktop && *client.desktop == *snapshot.currentDesktop;
}

int X11ClientList::layerOf(Kind kind) {
    switch (kind) {
    case Kind::Normal:
        return 0;
    case Kind::Dock:
        return kDockLayer;
    case Kind::Desktop:
        return kDesktopLayer;
    case Kind::Other:
        return kFloatingLayer;
    }
    return kFloatingLayer;
}

} // namespace quillbar
