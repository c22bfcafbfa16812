// SPDX-License-Identifier: GPL-3.0-or-later
// X clients for the end-to-end tests and benchmarks, each running until killed:
//   quillbar-stub-wm DESKTOPS  a window manager that manages nothing: it sets the root's EWMH
//                              desktop properties (and an unmapped check window), then ignores
//                              every request, a desktop switch included
//   quillbar-test-window N     another application's window (with _NET_WM_PID), of class
//                              "quillbar-focus-test", on desktop N
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
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
#ifdef QUILLBAR_STUB_WM
    const long desktops = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 4;
    xcb_create_window(xcb, XCB_COPY_FROM_PARENT, window, screen->root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
    xcb_ewmh_set_supporting_wm_check(&ewmh, window, window);
    xcb_ewmh_set_wm_name(&ewmh, window, 4, "stub");
    xcb_ewmh_set_number_of_desktops(&ewmh, screenNumber, static_cast<uint32_t>(desktops));
    xcb_ewmh_set_current_desktop(&ewmh, screenNumber, 0);
    xcb_ewmh_set_supporting_wm_check(&ewmh, screen->root, window);
#else
    const long desktop = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    const uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(xcb, XCB_COPY_FROM_PARENT, window, screen->root, 200, 200, 320, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    const std::string classes =
        std::string("quillbar-focus-test") + '\0' + "quillbar-focus-test" + '\0';
    xcb_icccm_set_wm_class(xcb, window, classes.size(), classes.data());
    xcb_ewmh_set_wm_pid(&ewmh, window, static_cast<uint32_t>(getpid()));
    xcb_ewmh_set_wm_desktop(&ewmh, window, static_cast<uint32_t>(desktop));
    xcb_map_window(xcb, window);
#endif
    xcb_flush(xcb);
    while (xcb_generic_event_t* event = xcb_wait_for_event(xcb)) {
        std::free(event);
    }
    xcb_ewmh_connection_wipe(&ewmh);
    xcb_disconnect(xcb);
    return 0;
}
