// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Platform.h"

#include "platform/NoKeyboard.h"

#include "platform/x11/X11ClientList.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Displays.h"
#include "platform/x11/X11EventMonitor.h"
#include "platform/x11/X11WindowServer.h"
#include "platform/x11/X11Workspace.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace quillbar {

struct X11Platform::Parts {
    Parts(std::shared_ptr<X11Connection> shared, Services& services)
        : connection(std::move(shared))
        , displays(connection)
        , clients(connection)
        , windowServer(connection, displays, clients, services.log)
        , workspace(connection, displays, clients)
        , monitor(connection, services.workspaceCenter, services.defaultCenter)
        , platform(services.platformWith(windowServer, displays, workspace, keyboard)) {}

    std::shared_ptr<X11Connection> connection;
    X11Displays displays;
    X11ClientList clients;
    X11WindowServer windowServer;
    X11Workspace workspace;
    NoKeyboard keyboard; // desktops are switched directly: no keystrokes
    X11EventMonitor monitor;
    Platform platform;
};

std::unique_ptr<X11Platform> X11Platform::connect(Services services, const char* displayName) {
    std::shared_ptr<X11Connection> connection = X11Connection::open(displayName);
    if (!connection) {
        return nullptr;
    }
    return std::unique_ptr<X11Platform>(
        new X11Platform(std::make_unique<Parts>(std::move(connection), services)));
}

bool X11Platform::serverAnswers(const char* displayName) {
    xcb_connection_t* connection = xcb_connect(displayName, nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

bool X11Platform::mayHaveAtom(const char* name) {
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    bool named = true;
    if (xcb_connection_has_error(x) == 0) {
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(x, xcb_intern_atom(x, 1, std::strlen(name), name), nullptr);
        named = reply == nullptr || reply->atom != XCB_ATOM_NONE;
        std::free(reply);
    }
    xcb_disconnect(x);
    return named;
}

X11Platform::X11Platform(std::unique_ptr<Parts> parts)
    : parts_(std::move(parts)) {}

X11Platform::~X11Platform() = default;

Platform& X11Platform::platform() {
    return parts_->platform;
}

} // namespace quillbar
