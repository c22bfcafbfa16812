#pragma once

#include "platform/Displays.h"

#include <string>

namespace quillbar {

// KWin's desktops span every output, so the session is one display. Its identifier and name come
// from the primary screen as the toolkit sees it (on Wayland and X11 alike); without a GUI
// application there is no screen, and the display is named after KWin.
class KWinDisplays final : public Displays {
public:
    static constexpr DisplayID kDisplayID = 1;

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

    // A name-based UUID (upper-case 8-4-4-4-12) of the primary screen's name: the same on every
    // launch with the same primary output.
    std::string identifier() const;
    // The primary screen.
    Screen primaryScreen() const;
};

} // namespace quillbar
