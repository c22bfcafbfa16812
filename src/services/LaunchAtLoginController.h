// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Published.h"
#include "model/Subscription.h"
#include "platform/LogSink.h"
#include "services/XdgAutostart.h"

#include <utility>

namespace quillbar {

// Backs the menu's "Launch at Login" item. The autostart entry is the only record of the setting:
// the controller keeps no copy and reads the entry again after every change and on request.
class LaunchAtLoginController {
public:
    // Starts with isEnabled read from the entry; failures are written to log, the program's log.
    LaunchAtLoginController(XdgAutostart autostart, LogSink& log);

    // Whether the program starts at login.
    bool isEnabled() const { return isEnabled_.value(); }
    // Calls handler with every new status once it is in place.
    [[nodiscard]] Subscription subscribe(Published<bool>::Handler handler) {
        return isEnabled_.subscribe(std::move(handler));
    }
    // Registers (true) or unregisters (false) the program; a failure is logged.
    // isEnabled then shows what the entry says, whatever happened.
    void setEnabled(bool enabled);
    // Reads the entry again (a change made outside the program shows here).
    void refreshStatus();

private:
    XdgAutostart autostart_;
    LogSink& log_;
    Published<bool> isEnabled_;
};

} // namespace quillbar
