#include "services/LaunchAtLoginController.h"

#include <QtGlobal>

#include <utility>

namespace quillbar {

LaunchAtLoginController::LaunchAtLoginController(XdgAutostart autostart)
    : autostart_(std::move(autostart))
    , isEnabled_(autostart_.isEnabled()) {}

void LaunchAtLoginController::setEnabled(bool enabled) {
    QString error;
    const bool done = enabled ? autostart_.enable(&error) : autostart_.disable(&error);
    if (!done) {
        // The reason goes in as an argument, never as a format.
        qWarning("Quillbar launch-at-login update failed: %s", qUtf8Printable(error));
    }
    refreshStatus();
}

void LaunchAtLoginController::refreshStatus() {
    isEnabled_.setIfChanged(autostart_.isEnabled());
}

} // namespace quillbar
