#pragma once

#include <xcb/xcb.h>

#include <QTimer>

#include <cstdint>
#include <optional>
#include <vector>

namespace quillbar {

// Qt's own X connection listens to the root window's properties for two of them, the work area
// (_NET_WORKAREA, its screens' available geometry) and the window manager's supported hints
// (_NET_SUPPORTED, which decide how Qt asks for a window's state and activation), yet every change
// of any of them wakes its event thread and then the main loop: each desktop change twice over,
// beside this backend's own connection, which listens to them anyway. So Qt's connection stops
// listening to them, and is handed a copy of each event for those two from this one instead.
class X11QtRootRelay {
public:
    // Relays the root's properties Qt reads (atoms) for Qt's connection when Qt runs on X11 and on
    // this root window; inert otherwise.
    X11QtRootRelay(xcb_window_t root, std::vector<xcb_atom_t> atoms);
    // Qt's connection listens as it did before.
    ~X11QtRootRelay();
    X11QtRootRelay(const X11QtRootRelay&) = delete;
    X11QtRootRelay& operator=(const X11QtRootRelay&) = delete;

    // Hands Qt a property event of the root window when it is one Qt reads.
    void relay(const xcb_property_notify_event_t& event);

private:
    void pollMask();

    xcb_connection_t* qt_ = nullptr;
    xcb_window_t root_;
    std::vector<xcb_atom_t> atoms_;
    xcb_window_t receiver_ = 0; // made on Qt's connection: an event sent to it goes to Qt
    std::optional<unsigned int> maskRequest_;
    std::optional<std::uint32_t> qtMask_; // what Qt selected on the root, while it is changed
    QTimer poll_;
    int polls_ = 0;
};

} // namespace quillbar
