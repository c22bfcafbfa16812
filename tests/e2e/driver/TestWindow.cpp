// SPDX-License-Identifier: GPL-3.0-or-later
// Another application's window for the focus test: an ordinary window of its own process (with
// _NET_WM_PID), of class "quillbar-focus-test", on the desktop given. Runs until killed.
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const std::string windowClass = "quillbar-focus-test";
    const long desktop = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;

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
    const xcb_window_t window = xcb_generate_id(xcb);
    const uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(xcb, XCB_COPY_FROM_PARENT, window, screen->root, 200, 200, 320, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    const std::string classes = windowClass + '\0' + windowClass + '\0';
    xcb_icccm_set_wm_class(xcb, window, classes.size(), classes.data());
    xcb_ewmh_set_wm_pid(&ewmh, window, static_cast<uint32_t>(getpid()));
    xcb_ewmh_set_wm_desktop(&ewmh, window, static_cast<uint32_t>(desktop));
    xcb_map_window(xcb, window);
    xcb_flush(xcb);
    while (xcb_generic_event_t* event = xcb_wait_for_event(xcb)) {
        std::free(event);
    }
    xcb_ewmh_connection_wipe(&ewmh);
    xcb_disconnect(xcb);
    return 0;
}
