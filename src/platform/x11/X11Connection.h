// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace quillbar {

// One connection to the X server for the main thread: its screen, the EWMH and other atoms, the
// extensions present, and the events that arrive on it. Every X11 concern shares it.
class X11Connection {
public:
    using Listener = std::function<void(const xcb_generic_event_t& event)>;

    // Requests that name themselves as coming from a pager are obeyed without the
    // focus-stealing rules window managers apply to applications.
    static constexpr auto kPagerSource = XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER;

    // Atoms that EWMH helpers do not intern for us.
    struct Atoms {
        xcb_atom_t windowOpacity = XCB_NONE; // _NET_WM_WINDOW_OPACITY
        xcb_atom_t motifHints = XCB_NONE;    // _MOTIF_WM_HINTS
        xcb_atom_t edid = XCB_NONE;          // EDID (RandR output property)
    };

    // Connects to displayName (nullptr: $DISPLAY); nullptr when no X server answers.
    static std::unique_ptr<X11Connection> open(const char* displayName);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* xcb() const { return connection_; }
    xcb_ewmh_connection_t* ewmh() { return &ewmh_; }
    const Atoms& atoms() const { return atoms_; }
    int screenNumber() const { return screenNumber_; }
    xcb_screen_t* screen() const { return screen_; }
    xcb_window_t root() const { return screen_->root; }
    // The host part of the display name (empty for a local server).
    const std::string& host() const { return host_; }
    // The display number of the server.
    int displayNumber() const { return displayNumber_; }
    // The display name the connection was made with, for further connections.
    const std::string& displayName() const { return displayName_; }
    // Whether RandR 1.5 (monitors) is present, and the code of its first event.
    bool hasRandrMonitors() const { return hasRandrMonitors_; }
    std::uint8_t randrFirstEvent() const { return randrFirstEvent_; }
    // Whether the connection broke; every query then answers nothing.
    bool hasError() const;
    // The socket to watch for events.
    int fileDescriptor() const;

    // Calls listener for every event read from now on; returns a key for removeListener.
    int addListener(Listener listener);
    // Stops calling that listener.
    void removeListener(int key);
    // Reads every event the server has sent so far and hands each to the listeners, then sends
    // whatever they asked for. Never blocks. Once quiet points are marked, the socket is read
    // once between two of them: later calls hand out only what reply waits pulled in.
    void pumpEvents();
    // Reads the socket whatever was read before (its watcher saw it readable), then as pumpEvents.
    void readEvents();
    // Hands out the events reply waits pulled in, without reading the socket, and lets the next
    // pumpEvents read it again: called where the thread is about to sleep.
    void markQuiet();

    // The window of the EWMH window manager that runs now (its _NET_SUPPORTING_WM_CHECK window,
    // which names itself), or nullopt when there is none.
    std::optional<xcb_window_t> windowManagerCheckWindow();
    // Adds mask to the events this connection receives for window; false when the window is gone.
    bool selectEvents(xcb_window_t window, std::uint32_t mask);

private:
    X11Connection(xcb_connection_t* connection, int screenNumber, std::string displayName);
    bool initialise();
    void dispatch(const xcb_generic_event_t& event);
    // Hands every event next() returns to the listeners; flushes their requests if there were any.
    using NextEvent = xcb_generic_event_t* (*)(xcb_connection_t*);
    // Dispatches the event first gives, then each that rest gives.
    void handOut(NextEvent first, NextEvent rest);
    void handOut(NextEvent next) { handOut(next, next); }

    xcb_connection_t* connection_;
    int screenNumber_;
    std::string displayName_;
    std::string host_;
    int displayNumber_ = 0;
    xcb_screen_t* screen_ = nullptr;
    xcb_ewmh_connection_t ewmh_{};
    bool ewmhReady_ = false;
    Atoms atoms_;
    bool hasRandrMonitors_ = false;
    std::uint8_t randrFirstEvent_ = 0;
    std::map<int, Listener> listeners_;
    int nextListener_ = 1;
    bool quietPointsMarked_ = false; // markQuiet() has been called: read the socket once a wake
    bool socketRead_ = false;        // since the last quiet point
};

} // namespace quillbar
