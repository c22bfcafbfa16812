#pragma once

#include "platform/Platform.h"
#include "platform/qt/LocalNotificationCenter.h"

#include <memory>
#include <string>

namespace quillbar {

// The sway (Wayland) and i3 (X11) platform: workspaces of each output as spaces through the window
// manager's IPC socket, direct switching, no keystrokes and no anchor windows. Lives on the thread
// of the Qt event loop.
class I3IpcPlatform {
public:
    // What the platform borrows from the application; everything must outlive the platform.
    struct Services {
        MainQueue& mainQueue;
        BackgroundQueue& backgroundQueue;
        LogSink& log;
        LocalNotificationCenter& workspaceCenter;
        LocalNotificationCenter& defaultCenter;
        LocalNotificationCenter& distributedCenter;
        AppInfo appInfo;
    };

    // Starts connecting to the socket at socketPath (empty: find it as the window manager's own
    // tools do). Never waits: until the first answer, and while reconnecting, there are no
    // spaces. Needs a QCoreApplication on the calling thread.
    static std::unique_ptr<I3IpcPlatform> connect(Services services, std::string socketPath = {});
    // Whether sway or i3 runs in this session: a socket named by SWAYSOCK or I3SOCK, or one that
    // "sway/i3 --get-socketpath" names within boundMilliseconds each. Returns its path, or empty.
    static std::string probe(int boundMilliseconds = 500);
    ~I3IpcPlatform();
    I3IpcPlatform(const I3IpcPlatform&) = delete;
    I3IpcPlatform& operator=(const I3IpcPlatform&) = delete;

    // The platform interfaces for the core.
    Platform& platform();

private:
    struct Parts;
    explicit I3IpcPlatform(std::unique_ptr<Parts> parts);

    std::unique_ptr<Parts> parts_;
};

} // namespace quillbar
