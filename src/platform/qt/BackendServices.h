// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AppInfo.h"
#include "platform/BackgroundQueue.h"
#include "platform/LogSink.h"
#include "platform/MainQueue.h"
#include "platform/Platform.h"
#include "platform/qt/LocalNotificationCenter.h"

namespace quillbar {

// What every backend borrows from the application; all of it outlives the backend.
struct BackendServices {
    MainQueue& mainQueue;
    BackgroundQueue& backgroundQueue;
    LogSink& log;
    LocalNotificationCenter& workspaceCenter;
    LocalNotificationCenter& defaultCenter;
    LocalNotificationCenter& distributedCenter;
    AppInfo appInfo;

    // The platform a backend hands the core: its own four parts beside these services.
    Platform platformWith(WindowServer& windowServer, Displays& displays, Workspace& workspace,
                          Keyboard& keyboard) const {
        return {windowServer,  displays,          workspace, keyboard,        workspaceCenter,
                defaultCenter, distributedCenter, mainQueue, backgroundQueue, log,
                appInfo};
    }
};

} // namespace quillbar
