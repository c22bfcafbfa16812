// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Backend.h"
#include "platform/qt/BackendServices.h"

#include <memory>
#include <string>

namespace quillbar {

// The sway (Wayland) and i3 (X11) platform: workspaces of each output as spaces through the window
// manager's IPC socket, direct switching, no keystrokes and no anchor windows. Lives on the thread
// of the Qt event loop.
class I3IpcPlatform final : public Backend {
public:
    using Services = BackendServices;

    // Starts connecting to the socket at socketPath (empty: find it as the window manager's own
    // tools do). Never waits: until the first answer, and while reconnecting, there are no
    // spaces. Needs a QCoreApplication on the calling thread.
    static std::unique_ptr<I3IpcPlatform> connect(Services services, std::string socketPath = {});
    // The socket of a sway session: SWAYSOCK when it names one; else empty.
    static std::string probeSway();
    // The socket of an i3 session: I3SOCK when it names one, else what "i3 --get-socketpath"
    // (which reads the X root window) says within boundMilliseconds; else empty.
    static std::string probeI3(int boundMilliseconds = 500);
    ~I3IpcPlatform() override;
    I3IpcPlatform(const I3IpcPlatform&) = delete;
    I3IpcPlatform& operator=(const I3IpcPlatform&) = delete;

    // The platform interfaces for the core.
    Platform& platform() override;

private:
    struct Parts;
    explicit I3IpcPlatform(std::unique_ptr<Parts> parts);

    std::unique_ptr<Parts> parts_;
};

} // namespace quillbar
