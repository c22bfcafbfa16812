// The end-to-end test driver: the real observer on the X11 backend (or, with
// QUILLBAR_DRIVER_BACKEND=i3ipc, the sway/i3 backend), without widgets.
#include "DriverSession.h"
#include "JsonLines.h"
#include "platform/i3ipc/I3IpcPlatform.h"
#include "platform/qt/LocalNotificationCenter.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/qt/ThreadBackgroundQueue.h"
#include "platform/x11/X11Platform.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    quillbar::e2e::JsonLines out;
    quillbar::QtMainQueue mainQueue;
    quillbar::LocalNotificationCenter workspaceCenter(mainQueue);
    quillbar::LocalNotificationCenter defaultCenter(mainQueue);
    quillbar::LocalNotificationCenter distributedCenter(mainQueue);
    quillbar::AppInfo appInfo{"e2e", argv[0], "org.quillbar.Quillbar"};
    // Declared before the background queue, which finishes its keystrokes (on the platform's
    // keyboard) before the platform goes.
    std::unique_ptr<quillbar::X11Platform> x11;
    std::unique_ptr<quillbar::I3IpcPlatform> i3ipc;
    quillbar::ThreadBackgroundQueue backgroundQueue;
    if (qgetenv("QUILLBAR_DRIVER_BACKEND") == "i3ipc") {
        i3ipc = quillbar::I3IpcPlatform::connect({mainQueue, backgroundQueue, out, workspaceCenter,
                                                  defaultCenter, distributedCenter, appInfo});
    } else {
        x11 = quillbar::X11Platform::connect({mainQueue, backgroundQueue, out, workspaceCenter,
                                              defaultCenter, distributedCenter, appInfo});
        if (!x11) {
            return 1;
        }
    }
    quillbar::Platform& platform = x11 ? x11->platform() : i3ipc->platform();
    quillbar::e2e::DriverSession session(platform, out);
    session.start();
    return QCoreApplication::exec();
}
