// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AppInfo.h"
#include "platform/BackgroundQueue.h"
#include "platform/Displays.h"
#include "platform/Keyboard.h"
#include "platform/LogSink.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"

namespace quillbar {

// Everything the core asks of the system, one interface per concern. A backend fills it in; the
// core never sees a platform type.
struct Platform {
    WindowServer& windowServer;
    Displays& displays;
    Workspace& workspace;
    Keyboard& keyboard;
    NotificationCenter& workspaceCenter;   // space changes, wake, screens woke, session active
    NotificationCenter& defaultCenter;     // screen parameters changed
    NotificationCenter& distributedCenter; // debug requests from outside the process
    MainQueue& mainQueue;
    BackgroundQueue& backgroundQueue;
    LogSink& log;
    AppInfo appInfo;
};

} // namespace quillbar
