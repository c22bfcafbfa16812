// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/i3ipc/I3IpcConnection.h"

#include "platform/LogSink.h"
#include "platform/i3ipc/I3IpcSocket.h"

#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <array>

namespace quillbar {

using nlohmann::json;

namespace {

// sway 1.7 has no output event: outputs are re-read on every workspace event and on this timer.
constexpr Milliseconds kSlowRefresh{10000};
constexpr Milliseconds kDiscoveryBound{2000};
constexpr std::size_t kReadChunk = 64 * 1024;
// Read per turn of the event loop at most, so a flood cannot hold the loop (or a quit) up.
constexpr int kChunksPerTurn = 4;
constexpr int kFramesPerTurn = 256;
constexpr qint64 kMaxPathBytes = 4096;
// Replies still owed by the window manager beyond which requests are dropped.
constexpr std::size_t kMaxPending = 64;

const std::array<const char*, 2> kWindowManagers = {"sway", "i3"};

std::string firstLine(const QByteArray& bytes) {
    const QByteArray line = bytes.left(kMaxPathBytes).split('\n').value(0).trimmed();
    return line.toStdString();
}

bool isSocket(const std::string& path) {
    return !path.empty() && QFileInfo::exists(QString::fromStdString(path));
}

} // namespace

I3IpcConnection::I3IpcConnection(MainQueue& mainQueue, LogSink& log, std::string socketPath,
                                 Callbacks callbacks)
    : mainQueue_(mainQueue)
    , log_(log)
    , configuredPath_(std::move(socketPath))
    , callbacks_(std::move(callbacks)) {}

I3IpcConnection::~I3IpcConnection() {
    *alive_ = false;
    socket_.reset();
    if (discovery_) {
        discovery_->disconnect();
        discovery_->kill();
        discovery_->waitForFinished(1000); // it was killed: this is the reaping
    }
}

std::string I3IpcConnection::socketPathFromEnvironment() {
    for (const char* name : {"SWAYSOCK", "I3SOCK"}) {
        const QByteArray value = qgetenv(name);
        if (!value.isEmpty() && value.size() < kMaxPathBytes) {
            return value.toStdString();
        }
    }
    return {};
}

std::string I3IpcConnection::existingSocket(const std::string& path) {
    return path.size() < kMaxPathBytes && isSocket(path) ? path : std::string();
}

std::string I3IpcConnection::askForSocketPath(const char* program, int boundMilliseconds) {
    QProcess process;
    process.start(QString::fromLatin1(program), {QStringLiteral("--get-socketpath")});
    if (!process.waitForStarted(boundMilliseconds)) {
        return {};
    }
    if (!process.waitForFinished(boundMilliseconds)) {
        process.kill();
        process.waitForFinished(boundMilliseconds);
        return {};
    }
    return existingSocket(firstLine(process.readAllStandardOutput()));
}

void I3IpcConnection::start() {
    slowTimer_ = mainQueue_.repeat(kSlowRefresh, Milliseconds{2000}, [this] {
        if (socket_) {
            requestState();
        }
    });
    connectOrDiscover();
}

void I3IpcConnection::connectOrDiscover() {
    socketPath_ = isSocket(configuredPath_) ? configuredPath_ : socketPathFromEnvironment();
    if (isSocket(socketPath_)) {
        connectSocket();
    } else {
        discoveryStep_ = 0;
        discoverSocketPath();
    }
}

void I3IpcConnection::discoverSocketPath() {
    if (discoveryStep_ >= static_cast<int>(kWindowManagers.size())) {
        scheduleReconnect();
        return;
    }
    const char* program = kWindowManagers[static_cast<std::size_t>(discoveryStep_++)];
    discovery_ = std::make_unique<QProcess>();
    QProcess* process = discovery_.get();
    const auto finish = [this, process](bool ok) {
        if (discovery_.get() != process) {
            return;
        }
        const std::string path = ok ? firstLine(process->readAllStandardOutput()) : std::string();
        // Destroyed on a later turn: this runs inside one of its signals.
        discovery_.release()->deleteLater();
        if (isSocket(path)) {
            socketPath_ = path;
            connectSocket();
        } else {
            discoverSocketPath();
        }
    };
    QObject::connect(process, &QProcess::finished, process,
                     [finish](int code, QProcess::ExitStatus status) {
                         finish(status == QProcess::NormalExit && code == 0);
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [finish](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             finish(false);
                         }
                     });
    mainQueue_.after(kDiscoveryBound, [this, process, alive = std::weak_ptr<bool>(alive_)] {
        if (!alive.expired() && discovery_.get() == process) {
            process->kill(); // "finished" follows and moves on
        }
    });
    process->start(QString::fromLatin1(program), {QStringLiteral("--get-socketpath")});
}

void I3IpcConnection::connectSocket() {
    std::string error;
    socket_ =
        I3IpcSocket::connect(socketPath_,
                             {[this] { onReadable(); },
                              [this](const std::string& why) { dropConnection("socket: " + why); }},
                             error);
    if (!socket_) {
        reportTrouble("Could not connect to the window manager at " + socketPath_ + " (" + error +
                      ")");
        scheduleReconnect();
        return;
    }
    onConnected();
}

void I3IpcConnection::onConnected() {
    send(kGetVersion, {}, [this](const json& reply) { dialect_ = I3IpcAnswers::dialect(reply); });
    subscribe(true);
    requestState();
}

void I3IpcConnection::subscribe(bool withShutdown) {
    const std::string events = withShutdown ? R"(["workspace","shutdown"])" : R"(["workspace"])";
    send(kSubscribe, events, [this, withShutdown](const json& reply) {
        const bool ok = reply.is_object() && reply.value("success", false) == true;
        if (ok) {
            onWorking();
        } else if (withShutdown) {
            subscribe(false); // an unknown event fails the whole subscription
        } else {
            log_.log(LogLevel::Default, "The window manager refused workspace events");
        }
    });
}

void I3IpcConnection::onWorking() {
    // Only a peer that answers properly ends an episode of trouble: one that accepts the
    // connection and then sends nonsense keeps the back-off long and the log quiet.
    backoff_.reset();
    if (!working_) {
        log_.log(LogLevel::Default, "Connected to the window manager at " + socketPath_);
    }
    working_ = true;
}

void I3IpcConnection::reportTrouble(const std::string& line) {
    if (working_ || !troubleReported_) {
        log_.log(LogLevel::Default, line);
    }
    working_ = false;
    troubleReported_ = true;
}

void I3IpcConnection::requestState() {
    if (requestInFlight_) {
        requestAgain_ = true;
        return;
    }
    requestInFlight_ = true;
    send(kGetOutputs, {},
         [this](const json& reply) { pendingOutputs_ = I3IpcAnswers::outputs(reply); });
    send(kGetWorkspaces, {}, [this](const json& reply) {
        requestInFlight_ = false;
        apply(std::move(pendingOutputs_), I3IpcAnswers::workspaces(reply));
        pendingOutputs_.clear();
        if (requestAgain_) {
            requestAgain_ = false;
            requestState();
        }
    });
}

void I3IpcConnection::apply(std::vector<I3IpcAnswers::Output> outputs,
                            std::vector<I3IpcAnswers::Workspace> workspaces) {
    const bool outputsChanged = !hasState_ || outputs != outputs_;
    const bool spacesChanged = outputsChanged || workspaces != workspaces_;
    outputs_ = std::move(outputs);
    workspaces_ = std::move(workspaces);
    hasState_ = true;
    if (outputsChanged && callbacks_.outputsChanged) {
        callbacks_.outputsChanged();
    }
    if (spacesChanged && callbacks_.spacesChanged) {
        callbacks_.spacesChanged();
    }
}

void I3IpcConnection::runCommand(const std::string& command, CommandAnswer answered) {
    if (!socket_) {
        return;
    }
    send(kRunCommand, command, [this, command, answered = std::move(answered)](const json& reply) {
        const std::optional<std::string> error = I3IpcAnswers::commandError(reply);
        if (answered) {
            answered(error);
        } else if (error) {
            log_.log(LogLevel::Default, "The window manager refused: " + command);
        }
    });
}

void I3IpcConnection::send(std::uint32_t type, const std::string& payload, ReplyHandler handler) {
    if (!socket_ || pending_.size() >= kMaxPending) {
        return;
    }
    pending_.push_back(std::move(handler));
    const std::string bytes = I3IpcFrameReader::encode(type, payload);
    if (!socket_->write(bytes)) {
        pending_.pop_back(); // never sent: no answer will come (the failure is reported)
    }
}

void I3IpcConnection::onReadable() {
    std::array<char, kReadChunk> chunk;
    int frames = 0;
    // What is left waits for the next turn: the read notifier fires again while bytes remain.
    for (int chunks = 0; socket_ && chunks < kChunksPerTurn; ++chunks) {
        // Frames already buffered go first, so the buffer never grows past a turn's reading.
        if (!dispatchBuffered(frames)) {
            return;
        }
        const I3IpcSocket::ReadResult result = socket_->read(chunk.data(), chunk.size());
        if (result.status == I3IpcSocket::ReadStatus::Empty) {
            return;
        }
        if (result.status == I3IpcSocket::ReadStatus::Closed) {
            dropConnection("the window manager closed the connection");
            return;
        }
        reader_.feed(std::string_view(chunk.data(), result.count));
    }
    if (socket_) {
        dispatchBuffered(frames);
    }
}

bool I3IpcConnection::dispatchBuffered(int& frames) {
    while (frames < kFramesPerTurn) {
        auto frame = reader_.next();
        if (!frame) {
            break;
        }
        ++frames;
        dispatch(*frame);
        if (!socket_) {
            return false; // a frame ended the connection
        }
    }
    if (reader_.failed()) {
        dropConnection("the window manager sent an unreadable message");
        return false;
    }
    if (frames >= kFramesPerTurn) {
        // The rest is read on a later turn (the notifier fires again while bytes remain; bytes
        // already buffered are picked up by this).
        mainQueue_.after(Milliseconds{0}, [this, alive = std::weak_ptr<bool>(alive_)] {
            if (!alive.expired() && socket_) {
                onReadable();
            }
        });
        return false;
    }
    return true;
}

void I3IpcConnection::dispatch(const I3IpcFrameReader::Frame& frame) {
    // Events carry nothing read here, and replies nobody asked for are not parsed at all.
    if (frame.type == kWorkspaceEvent) {
        requestState();
    } else if (frame.type == kShutdownEvent) {
        dropConnection("the window manager is shutting down or restarting");
    } else if (!frame.isEvent() && !pending_.empty()) {
        ReplyHandler handler = std::move(pending_.front());
        pending_.pop_front();
        handler(I3IpcAnswers::parse(frame.payload));
    }
}

void I3IpcConnection::dropConnection(const std::string& why) {
    if (!socket_) {
        return;
    }
    reportTrouble("Lost the window manager (" + why + "); reconnecting");
    socket_.reset(); // its notifiers go on a later turn: this may run inside one's signal
    reader_ = I3IpcFrameReader();
    pending_.clear();
    pendingOutputs_.clear();
    requestInFlight_ = false;
    requestAgain_ = false;
    const bool had = hasState_;
    hasState_ = false;
    outputs_.clear();
    workspaces_.clear();
    if (had) {
        if (callbacks_.outputsChanged) {
            callbacks_.outputsChanged();
        }
        if (callbacks_.spacesChanged) {
            callbacks_.spacesChanged();
        }
    }
    scheduleReconnect();
}

void I3IpcConnection::scheduleReconnect() {
    if (reconnectScheduled_) {
        return;
    }
    reconnectScheduled_ = true;
    mainQueue_.after(backoff_.next(), [this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.expired()) {
            return;
        }
        reconnectScheduled_ = false;
        connectOrDiscover();
    });
}

} // namespace quillbar
