#pragma once

#include "platform/AppInfo.h"
#include "platform/BackgroundQueue.h"
#include "platform/LogSink.h"
#include "platform/MainQueue.h"
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
};

} // namespace quillbar
