// SPDX-License-Identifier: GPL-3.0-or-later
// A window manager that manages nothing: it sets the root's EWMH desktop properties (and its check
// window, never mapped) and then ignores every request, a desktop switch included. Runs until
// killed.
//   quillbar-stub-wm DESKTOPS
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <cstdlib>

int main(int argc, char** argv) {
    const long desktops = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 4;
    int screenNumber = 0;
    xcb_connection_t* xcb = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(xcb)) {
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(xcb)).data;
    xcb_ewmh_connection_t ewmh;
    if (!xcb_ewmh_init_atoms_replies(&ewmh, xcb_ewmh_init_atoms(xcb, &ewmh), nullptr)) {
        return 1;
    }
    const xcb_window_t check = xcb_generate_id(xcb);
    xcb_create_window(xcb, XCB_COPY_FROM_PARENT, check, screen->root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
    xcb_ewmh_set_supporting_wm_check(&ewmh, check, check);
    xcb_ewmh_set_wm_name(&ewmh, check, 4, "stub");
    xcb_ewmh_set_number_of_desktops(&ewmh, screenNumber, static_cast<uint32_t>(desktops));
    xcb_ewmh_set_current_desktop(&ewmh, screenNumber, 0);
    xcb_ewmh_set_supporting_wm_check(&ewmh, screen->root, check);
    xcb_flush(xcb);
    while (xcb_generic_event_t* event = xcb_wait_for_event(xcb)) {
        std::free(event);
    }
    xcb_ewmh_connection_wipe(&ewmh);
    xcb_disconnect(xcb);
    return 0;
}
