// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Backoff.h"
#include "platform/MainQueue.h"
#include "platform/Timer.h"
#include "platform/i3ipc/I3IpcAnswers.h"
#include "platform/i3ipc/I3IpcFrameReader.h"

#include <nlohmann/json.hpp>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QProcess;

namespace quillbar {

class I3IpcSocket;
class LogSink;

// The connection to sway's or i3's IPC socket, on the main queue and event-driven: it subscribes
// to workspace events, keeps the latest output and workspace lists, and reconnects with back-off
// when the window manager exits or restarts in place. Nothing here waits on the window manager.
class I3IpcConnection {
public:
    enum MessageType : std::uint32_t {
        kRunCommand = 0,
        kGetWorkspaces = 1,
        kSubscribe = 2,
        kGetOutputs = 3,
        kGetVersion = 7,
    };
    static constexpr std::uint32_t kWorkspaceEvent = I3IpcFrameReader::kEventBit | 0;
    static constexpr std::uint32_t kShutdownEvent = I3IpcFrameReader::kEventBit | 6;

    struct Callbacks {
        std::function<void()> spacesChanged;  // the workspace list or the connection changed
        std::function<void()> outputsChanged; // outputs were added, removed or moved
    };

    // Connects to the socket at socketPath; when that is empty or gone, asks
    // "sway --get-socketpath", then "i3 --get-socketpath" (without waiting on them).
    I3IpcConnection(MainQueue& mainQueue, LogSink& log, std::string socketPath,
                    Callbacks callbacks);
    ~I3IpcConnection();
    I3IpcConnection(const I3IpcConnection&) = delete;
    I3IpcConnection& operator=(const I3IpcConnection&) = delete;

    // Starts connecting; the callbacks tell when the first lists have arrived.
    void start();
    // Whether lists from a live connection are at hand.
    bool hasState() const { return hasState_; }
    // The latest active outputs, left to right (empty without a connection).
    const std::vector<I3IpcAnswers::Output>& outputs() const { return outputs_; }
    // The latest workspaces (empty without a connection).
    const std::vector<I3IpcAnswers::Workspace>& workspaces() const { return workspaces_; }
    // How the window manager reads quoted command text (known once connected).
    I3IpcAnswers::Dialect dialect() const { return dialect_; }
    // What the window manager said of a command: nullopt when it ran it, else why not.
    using CommandAnswer = std::function<void(const std::optional<std::string>& error)>;
    // Sends a command without waiting. answered, when given, hears what became of it; else a
    // refusal is logged. Dropped without a connection or with too many answers owed, and
    // forgotten when the connection drops: answered then never runs.
    void runCommand(const std::string& command, CommandAnswer answered = {});

    // The path when a file exists there (and the path is not absurdly long); else empty.
    static std::string existingSocket(const std::string& path);
    // What "<program> --get-socketpath" names, when it answers within the bound and the socket
    // exists; else empty. Waits up to twice the bound: for choosing a backend at start-up only.
    static std::string askForSocketPath(const char* program, int boundMilliseconds);
    // The socket path from the environment alone.
    static std::string socketPathFromEnvironment();

private:
    using ReplyHandler = std::function<void(const nlohmann::json&)>;

    // Connects to the configured or the environment's socket, else asks the window managers.
    void connectOrDiscover();
    void connectSocket();
    void discoverSocketPath();
    void onConnected();
    void onReadable();
    // Dispatches buffered frames while the turn's budget lasts; false when reading must stop.
    bool dispatchBuffered(int& frames);
    void onWorking();
    void reportTrouble(const std::string& line);
    void dispatch(const I3IpcFrameReader::Frame& frame);
    void send(std::uint32_t type, const std::string& payload, ReplyHandler handler);
    void subscribe(bool withShutdown);
    void requestState();
    void apply(std::vector<I3IpcAnswers::Output> outputs,
               std::vector<I3IpcAnswers::Workspace> workspaces);
    void dropConnection(const std::string& why);
    void scheduleReconnect();

    MainQueue& mainQueue_;
    LogSink& log_;
    std::string configuredPath_;
    std::string socketPath_;
    Callbacks callbacks_;
    std::unique_ptr<I3IpcSocket> socket_;
    std::unique_ptr<QProcess> discovery_;
    I3IpcFrameReader reader_;
    std::deque<ReplyHandler> pending_;
    std::unique_ptr<Timer> slowTimer_;
    std::vector<I3IpcAnswers::Output> outputs_;
    std::vector<I3IpcAnswers::Workspace> workspaces_;
    std::vector<I3IpcAnswers::Output> pendingOutputs_;
    I3IpcAnswers::Dialect dialect_ = I3IpcAnswers::Dialect::I3;
    bool hasState_ = false;
    bool requestInFlight_ = false;
    bool requestAgain_ = false;
    bool reconnectScheduled_ = false;
    bool working_ = false;         // the peer answered a subscription since the last trouble
    bool troubleReported_ = false; // a line about the current episode of trouble was logged
    int discoveryStep_ = 0;
    Backoff backoff_{Milliseconds{50}, Milliseconds{4000}};
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace quillbar
