// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Displays.h"

#include "platform/x11/X11Answers.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Reply.h"

#include <xcb/randr.h>

namespace quillbar {

namespace {

constexpr std::uint32_t kEdidWords = 64; // 256 bytes: the base block and one extension

} // namespace

X11Displays::X11Displays(std::shared_ptr<X11Connection> connection)
    : connection_(std::move(connection))
    , identifier_(X11Answers::displayIdentifier(connection_->host(), connection_->displayNumber(),
                                                connection_->screenNumber())) {
    listener_ = connection_->addListener(
        [this](const xcb_generic_event_t& event) { forgetOnChange(event); });
}

X11Displays::~X11Displays() {
    connection_->removeListener(listener_);
}

void X11Displays::forgetOnChange(const xcb_generic_event_t& event) {
    const std::uint8_t type = event.response_type & 0x7F;
    const bool rootChanged =
        type == XCB_CONFIGURE_NOTIFY &&
        reinterpret_cast<const xcb_configure_notify_event_t&>(event).window == connection_->root();
    const bool randrChanged =
        connection_->hasRandrMonitors() &&
        (type == connection_->randrFirstEvent() + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
         type == connection_->randrFirstEvent() + XCB_RANDR_NOTIFY);
    if (rootChanged || randrChanged) {
        rootBounds_.reset();
        primaryScreen_.reset();
    }
}

std::optional<std::vector<DisplayID>> X11Displays::activeDisplayList() {
    if (connection_->hasError()) {
        return std::nullopt;
    }
    return std::vector<DisplayID>{mainDisplayID()};
}

DisplayID X11Displays::mainDisplayID() {
    return connection_->root();
}

Rect X11Displays::displayBounds(DisplayID display) {
    if (display != mainDisplayID()) {
        return {};
    }
    connection_->pumpEvents(); // take in every change the server has told us of so far
    if (!rootBounds_) {
        rootBounds_ = readRootBounds();
    }
    return *rootBounds_;
}

Rect X11Displays::readRootBounds() {
    // The root window follows RandR size changes; the connection setup does not.
    auto* xcb = connection_->xcb();
    auto geometry =
        ownReply(xcb_get_geometry_reply(xcb, xcb_get_geometry(xcb, connection_->root()), nullptr));
    if (!geometry) {
        return {};
    }
    return {0, 0, static_cast<double>(geometry->width), static_cast<double>(geometry->height)};
}

std::optional<std::string> X11Displays::displayUUID(DisplayID display) {
    if (display != mainDisplayID()) {
        return std::nullopt;
    }
    return identifier_;
}

std::vector<Screen> X11Displays::screens() {
    if (connection_->hasError()) {
        return {};
    }
    return {primaryScreen()};
}

Screen X11Displays::primaryScreen() {
    connection_->pumpEvents();
    if (!primaryScreen_) {
        primaryScreen_ = readPrimaryScreen();
    }
    return *primaryScreen_;
}

Screen X11Displays::readPrimaryScreen() {
    Screen screen{mainDisplayID(), displayBounds(mainDisplayID()),
                  "Screen " + std::to_string(connection_->screenNumber() + 1)};
    if (!connection_->hasRandrMonitors()) {
        return screen;
    }
    auto* xcb = connection_->xcb();
    auto monitors = ownReply(xcb_randr_get_monitors_reply(
        xcb, xcb_randr_get_monitors(xcb, connection_->root(), 1), nullptr));
    if (!monitors) {
        return screen;
    }
    const xcb_randr_monitor_info_t* chosen = nullptr;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem > 0;
         xcb_randr_monitor_info_next(&it)) {
        if (!chosen || it.data->primary) {
            chosen = it.data;
        }
        if (it.data->primary) {
            break;
        }
    }
    if (!chosen) {
        return screen;
    }
    screen.frame = {static_cast<double>(chosen->x), static_cast<double>(chosen->y),
                    static_cast<double>(chosen->width), static_cast<double>(chosen->height)};
    const std::string name = monitorName(*chosen);
    if (!name.empty()) {
        screen.localizedName = name;
    }
    return screen;
}

std::string X11Displays::monitorName(const xcb_randr_monitor_info_t& monitorInfo) {
    const auto* monitor = &monitorInfo;
    auto* xcb = connection_->xcb();
    // All three candidates in one round trip: EDID name, then the monitor's, then the output's.
    const bool hasOutput = xcb_randr_monitor_info_outputs_length(monitor) > 0;
    const xcb_randr_output_t output = hasOutput ? xcb_randr_monitor_info_outputs(monitor)[0] : 0;
    xcb_randr_get_output_property_cookie_t edidCookie{};
    xcb_randr_get_output_info_cookie_t infoCookie{};
    if (hasOutput) {
        edidCookie = xcb_randr_get_output_property(xcb, output, connection_->atoms().edid,
                                                   XCB_ATOM_ANY, 0, kEdidWords, 0, 0);
        infoCookie = xcb_randr_get_output_info(xcb, output, XCB_CURRENT_TIME);
    }
    auto atomName =
        ownReply(xcb_get_atom_name_reply(xcb, xcb_get_atom_name(xcb, monitor->name), nullptr));
    if (!hasOutput) {
        return atomName ? std::string(xcb_get_atom_name_name(atomName.get()),
                                      xcb_get_atom_name_name_length(atomName.get()))
                        : std::string();
    }
    auto edid = ownReply(xcb_randr_get_output_property_reply(xcb, edidCookie, nullptr));
    auto info = ownReply(xcb_randr_get_output_info_reply(xcb, infoCookie, nullptr));
    if (edid && edid->format == 8) {
        std::span<const std::uint8_t> bytes(xcb_randr_get_output_property_data(edid.get()),
                                            xcb_randr_get_output_property_data_length(edid.get()));
        if (auto name = X11Answers::edidMonitorName(bytes)) {
            return *name;
        }
    }
    if (atomName && xcb_get_atom_name_name_length(atomName.get()) > 0) {
        return {xcb_get_atom_name_name(atomName.get()),
                static_cast<std::size_t>(xcb_get_atom_name_name_length(atomName.get()))};
    }
    if (info) {
        return {reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info.get())),
                static_cast<std::size_t>(xcb_randr_get_output_info_name_length(info.get()))};
    }
    return {};
}

} // namespace quillbar
