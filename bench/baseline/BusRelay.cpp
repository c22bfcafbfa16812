// SPDX-License-Identifier: GPL-3.0-or-later
// The floor under the title's latency on the bus: the least a program does to put the current
// desktop there. It holds the application's bus name and, on each change of the root window's
// _NET_CURRENT_DESKTOP, reads it and emits MenuBarTitleChanged("Desktop N") on the title's object:
// one thread, no toolkit, no drawing. Run it only where Quillbar does not run.
#include <poll.h>
#include <systemd/sd-bus.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Emits the title of the current desktop, when the server says which it is.
void announce(xcb_ewmh_connection_t& ewmh, int screen, sd_bus* bus) {
    std::uint32_t desktop = 0;
    if (!xcb_ewmh_get_current_desktop_reply(&ewmh, xcb_ewmh_get_current_desktop(&ewmh, screen),
                                            &desktop, nullptr)) {
        return;
    }
    const std::string title = "Desktop " + std::to_string(desktop + 1);
    sd_bus_emit_signal(bus, "/org/quillbar/Quillbar", "org.quillbar.Quillbar",
                       "MenuBarTitleChanged", "s", title.c_str());
    sd_bus_flush(bus);
}

} // namespace

int main() {
    int screen = 0;
    xcb_connection_t* x = xcb_connect(nullptr, &screen);
    xcb_ewmh_connection_t ewmh{};
    if (xcb_connection_has_error(x) ||
        !xcb_ewmh_init_atoms_replies(&ewmh, xcb_ewmh_init_atoms(x, &ewmh), nullptr)) {
        return 1;
    }
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(x, ewmh.screens[screen]->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0 || sd_bus_request_name(bus, "org.quillbar.Quillbar", 0) < 0) {
        return 1;
    }
    pollfd fds[2] = {{xcb_get_file_descriptor(x), POLLIN, 0}, {sd_bus_get_fd(bus), POLLIN, 0}};
    while (!xcb_connection_has_error(x)) {
        while (sd_bus_process(bus, nullptr) > 0) {
        }
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
                notify->atom == ewmh._NET_CURRENT_DESKTOP) {
                announce(ewmh, screen, bus);
            }
            std::free(event);
        }
        ::poll(fds, 2, -1);
    }
    sd_bus_flush_close_unref(bus);
    return 0;
}
