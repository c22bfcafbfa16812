// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QSocketNotifier;

namespace quillbar {

// A connected Unix stream socket on the main thread's event loop, with nothing but QtCore: it
// says when bytes can be read, queues what cannot be written at once, and never waits on the peer.
class I3IpcSocket {
public:
    enum class ReadStatus { Data, Empty, Closed };
    struct ReadResult {
        ReadStatus status = ReadStatus::Empty;
        std::size_t count = 0; // bytes read, for Data
    };
    struct Callbacks {
        std::function<void()> readable; // bytes, or the end of the connection, can be read
        // Writing failed (the peer went away); called from the event loop, never from a call here.
        std::function<void(const std::string& why)> failed;
    };

    // Connects to the socket at path at once (a local socket accepts or refuses without waiting);
    // nullptr, with the reason in error, when it cannot.
    static std::unique_ptr<I3IpcSocket> connect(const std::string& path, Callbacks callbacks,
                                                std::string& error);
    ~I3IpcSocket();
    I3IpcSocket(const I3IpcSocket&) = delete;
    I3IpcSocket& operator=(const I3IpcSocket&) = delete;

    // Reads up to size bytes without waiting: Data, Empty (nothing yet) or Closed (end or error).
    ReadResult read(char* into, std::size_t size);
    // Queues bytes to write after those queued before; false once the connection has failed or
    // more than kMaxQueuedBytes would wait.
    bool write(std::string_view bytes);

    static constexpr std::size_t kMaxQueuedBytes = 4 * 1024 * 1024;

private:
    I3IpcSocket(int fd, Callbacks callbacks);
    void flush();
    void fail(const std::string& why);

    int fd_;
    Callbacks callbacks_;
    std::string queued_;
    bool failed_ = false;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace quillbar
