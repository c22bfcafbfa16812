#include "platform/qt/QtXcb.h"

#include <xcb/xcbext.h>

#include <QGuiApplication>

namespace quillbar {

xcb_connection_t* QtXcb::connection() {
    auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    const auto* x11 = gui ? gui->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    // Other platforms (offscreen) may offer the interface without an X connection behind it.
    if (!x11 || QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    return x11->connection();
}

bool QtXcb::poll(xcb_connection_t* connection, unsigned int request, void** reply) {
    xcb_generic_error_t* error = nullptr;
    if (!xcb_poll_for_reply(connection, request, reply, &error)) {
        return false;
    }
    std::free(error); // a failed request leaves the reply empty, which says enough
    return true;
}

} // namespace quillbar
