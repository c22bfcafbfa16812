// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Backoff.h"
#include "platform/LogSink.h"
#include "platform/MainQueue.h"
#include "platform/extworkspace/ExtWorkspaceModel.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace quillbar {

// A Wayland connection of its own to the compositor (whatever the toolkit's platform is), bound
// to ext_workspace_manager_v1 and the outputs: its socket is read on QtCore's event loop, never
// waited on after start-up; what it hears lands in an ExtWorkspaceModel. When the compositor goes
// away it forgets the workspaces and reconnects with back-off. Lives on the Qt event loop's thread.
class ExtWorkspaceClient {
public:
    // How long the probe waits for the compositor's globals at most.
    static constexpr std::chrono::milliseconds kProbeTimeout{500};

    // Whether the compositor behind the Wayland display (empty: WAYLAND_DISPLAY) offers
    // ext_workspace_manager_v1; waits up to kProbeTimeout. why tells what was missing.
    static bool offered(const std::string& display, std::string& why);

    // onChange runs on the main thread after the compositor's "done" and after it went away.
    ExtWorkspaceClient(MainQueue& mainQueue, LogSink& log, std::string display,
                       std::function<void()> onChange);
    ~ExtWorkspaceClient();
    ExtWorkspaceClient(const ExtWorkspaceClient&) = delete;
    ExtWorkspaceClient& operator=(const ExtWorkspaceClient&) = delete;

    // Connects (and keeps reconnecting while the compositor is away); never waits.
    void start();
    // Whether the compositor has said "done" since the connection was made.
    bool ready() const;
    // What the compositor said, as answers.
    const ExtWorkspaceModel& model() const;
    // Asks the compositor to activate the workspace (activate + commit); returns at once.
    void activate(ExtWorkspaceModel::Handle workspace);

    struct Session; // one connection's objects (the listeners reach it)

private:
    void connectNow();
    void lost(const std::string& why);
    void scheduleReconnect();

    MainQueue& mainQueue_;
    LogSink& log_;
    std::string display_;
    std::function<void()> onChange_;
    ExtWorkspaceModel model_;
    std::unique_ptr<Session> session_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool reconnectScheduled_ = false;
    Backoff backoff_{Milliseconds{250}, Milliseconds{5000}};
};

} // namespace quillbar
