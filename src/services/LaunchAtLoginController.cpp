// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/LaunchAtLoginController.h"

#include <utility>

namespace quillbar {

LaunchAtLoginController::LaunchAtLoginController(XdgAutostart autostart, LogSink& log)
    : autostart_(std::move(autostart))
    , log_(log)
    , isEnabled_(autostart_.isEnabled()) {}

void LaunchAtLoginController::setEnabled(bool enabled) {
    QString error;
    const bool done = enabled ? autostart_.enable(&error) : autostart_.disable(&error);
    if (!done) {
        // The reason is appended as text, never used as a format.
        log_.log(LogLevel::Default,
                 "Quillbar launch-at-login update failed: " + error.toStdString());
    }
    refreshStatus();
}

void LaunchAtLoginController::refreshStatus() {
    isEnabled_.setIfChanged(autostart_.isEnabled());
}

} // namespace quillbar
