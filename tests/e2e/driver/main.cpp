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

#include <QGuiApplication>

#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    const bool onKWin = argc > 1 && std::strcmp(argv[1], "--kwin") == 0;
    // KWin's screen comes from the toolkit, hence a GUI application there.
    auto application = onKWin ? std::make_unique<QGuiApplication>(argc, argv)
                              : std::make_unique<QCoreApplication>(argc, argv);
    quillbar::e2e::JsonLines out;
    quillbar::QtMainQueue mainQueue;
    quillbar::LocalNotificationCenter workspaceCenter(mainQueue);
    quillbar::LocalNotificationCenter defaultCenter(mainQueue);
    quillbar::LocalNotificationCenter distributedCenter(mainQueue);
    quillbar::AppInfo appInfo{"e2e", argv[0], "org.quillbar.Quillbar"};
    // Declared before the background queue, which finishes its keystrokes (on the platform's
    // keyboard) before the platform goes.
    std::unique_ptr<quillbar::Backend> backend;
    quillbar::ThreadBackgroundQueue backgroundQueue;
    const quillbar::BackendServices services{mainQueue,       backgroundQueue, out,
                                             workspaceCenter, defaultCenter,   distributedCenter,
                                             appInfo};
    if (onKWin) {
        backend = quillbar::KWinPlatform::connect(services);
    } else if (qgetenv("QUILLBAR_DRIVER_BACKEND") == "i3ipc") {
        backend = quillbar::I3IpcPlatform::connect(services);
    } else {
        backend = quillbar::X11Platform::connect(services);
    }
    if (!backend) {
        return 1;
    }
    quillbar::e2e::DriverSession session(backend->platform(), out);
    session.start();
    return QCoreApplication::exec();
}
