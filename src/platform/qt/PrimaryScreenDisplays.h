// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Displays.h"

#include <QString>

#include <string>

namespace quillbar {

// One display for a desktop whose workspaces span every output (KWin, GNOME Shell). Its
// identifier and name come from the primary screen as the toolkit sees it (on Wayland and X11
// alike); without a GUI application there is no screen, and the display is named after the
// desktop.
class PrimaryScreenDisplays : public Displays {
public:
    static constexpr DisplayID kDisplayID = 1;

    // prefix keeps the identifiers of different desktops apart; fallbackName names the display
    // when there is no screen.
    PrimaryScreenDisplays(QString prefix, QString fallbackName);

    // The one display.
    std::optional<std::vector<DisplayID>> activeDisplayList() override;
    // The one display.
    DisplayID mainDisplayID() override;
    // Every output together for the one display; empty for any other id.
    Rect displayBounds(DisplayID display) override;
    // The session's identifier; nullopt for any other id.
    std::optional<std::string> displayUUID(DisplayID display) override;
    // The primary screen as the one screen.
    std::vector<Screen> screens() override;

    // A name-based UUID (upper-case 8-4-4-4-12) of the prefix and the primary screen's name: the
    // same on every launch with the same primary output.
    std::string identifier() const;
    // The primary screen.
    Screen primaryScreen() const;

private:
    QString prefix_;
    QString fallbackName_;
};

} // namespace quillbar
