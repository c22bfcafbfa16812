// SPDX-License-Identifier: GPL-3.0-or-later
// The end-to-end test driver: the real observer without widgets.
//   quillbar-driver         (on the X11 backend, or with QUILLBAR_DRIVER_BACKEND=i3ipc on sway/i3)
//   quillbar-driver --kwin  (on KWin's desktops over the session bus instead)
#include "DriverSession.h"
#include "JsonLines.h"
#include "platform/i3ipc/I3IpcPlatform.h"
#include "platform/kwin/KWinPlatform.h"
#include "platform/qt/LocalNotificationCenter.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/qt/ThreadBackgroundQueue.h"
#include "platform/x11/X11Platform.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstring>
#include <memory>

namespace {

// The observer on KWin's desktops; the screen comes from the toolkit, hence a GUI application.
int runOnKWin(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    quillbar::e2e::JsonLines out;
    quillbar::QtMainQueue mainQueue;
    quillbar::LocalNotificationCenter workspaceCenter(mainQueue);
    quillbar::LocalNotificationCenter defaultCenter(mainQueue);
    quillbar::LocalNotificationCenter distributedCenter(mainQueue);
    quillbar::AppInfo appInfo{"e2e", argv[0], "org.quillbar.Quillbar"};
    quillbar::ThreadBackgroundQueue backgroundQueue;
    auto kwin = quillbar::KWinPlatform::connect({mainQueue, backgroundQueue, out, workspaceCenter,
                                                 defaultCenter, distributedCenter, appInfo});
    if (!kwin) {
        return 1;
    }
    quillbar::e2e::DriverSession session(kwin->platform(), out);
    session.start();
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--kwin") == 0) {
        return runOnKWin(argc, argv);
    }
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
