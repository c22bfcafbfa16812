// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Displays.h"

#include <xcb/randr.h>

#include <memory>
#include <string>

namespace quillbar {

class X11Connection;

// The X screen as the one display: EWMH desktops span the whole screen, so its bounds are the root
// window, while its screen (its frame and its name) is the primary RandR monitor.
class X11Displays final : public Displays {
public:
    explicit X11Displays(std::shared_ptr<X11Connection> connection);
    ~X11Displays() override;
    X11Displays(const X11Displays&) = delete;
    X11Displays& operator=(const X11Displays&) = delete;

    // The one display of the X screen, or nullopt when the connection broke.
    std::optional<std::vector<DisplayID>> activeDisplayList() override;
    // The X screen's display id (its root window).
    DisplayID mainDisplayID() override;
    // The whole root window for the X screen's display; empty for any other id.
    Rect displayBounds(DisplayID display) override;
    // The X screen's stable identifier; nullopt for any other id.
    std::optional<std::string> displayUUID(DisplayID display) override;
    // The primary monitor (the whole root window without RandR 1.5) as the one screen.
    std::vector<Screen> screens() override;

    // The identifier of the X screen's display.
    const std::string& identifier() const { return identifier_; }
    // The one screen.
    Screen primaryScreen();

private:
    Rect readRootBounds();
    Screen readPrimaryScreen();
    std::string monitorName(const xcb_randr_monitor_info_t& monitor);
    void forgetOnChange(const xcb_generic_event_t& event);

    std::shared_ptr<X11Connection> connection_;
    std::string identifier_;
    // Kept until the root window is resized or RandR reports a change (the event monitor selects
    // both): monitors, their names and the root's size change only then.
    std::optional<Rect> rootBounds_;
    std::optional<Screen> primaryScreen_;
    int listener_ = 0;
};

} // namespace quillbar
