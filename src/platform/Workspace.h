// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AnchorWindow.h"
#include "platform/Rect.h"
#include "platform/RunningApplication.h"
#include "platform/Screen.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace quillbar {

// Applications, the own process and its windows.
class Workspace {
public:
    virtual ~Workspace() = default;

    // The application that owns the focus, if any.
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    // The running application with that process id, or nullopt when none runs.
    virtual std::optional<RunningApplication>
    runningApplication(std::int32_t processIdentifier) = 0;
    // Activates that application (brings its topmost window forward); false when it cannot.
    virtual bool activate(std::int32_t processIdentifier) = 0;
    // Activates the own application, ignoring other applications.
    virtual void activateOwnApplication() = 0;
    // The own process id.
    virtual std::int32_t ownProcessIdentifier() = 0;
    // The screen of the own key window, or nullopt without one.
    virtual std::optional<Screen> keyWindowScreen() = 0;
    // The screen of the own main window, or nullopt without one.
    virtual std::optional<Screen> mainWindowScreen() = 0;
    // Creates and shows an anchor window with that content rectangle; nullptr when it cannot.
    virtual std::unique_ptr<AnchorWindow> createAnchorWindow(const Rect& contentRect) = 0;
};

} // namespace quillbar
