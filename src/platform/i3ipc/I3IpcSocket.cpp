// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/i3ipc/I3IpcSocket.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quillbar {

namespace {

std::string reason(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

// A notifier is destroyed on a later turn: it may be the one whose signal is running.
void retire(std::unique_ptr<QSocketNotifier>& notifier) {
    if (notifier) {
        notifier->setEnabled(false);
        QObject::disconnect(notifier.get(), nullptr, nullptr, nullptr);
        notifier.release()->deleteLater();
    }
}

} // namespace

std::unique_ptr<I3IpcSocket> I3IpcSocket::connect(const std::string& path, Callbacks callbacks,
                                                  std::string& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) {
        error = "the socket path is empty or too long";
        return nullptr;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = reason("socket", errno);
        return nullptr;
    }
    // Non-blocking: a peer whose queue of connections is full refuses (EAGAIN) instead of making
    // this thread wait until it accepts.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        error = reason("connect", errno);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<I3IpcSocket>(new I3IpcSocket(fd, std::move(callbacks)));
}

I3IpcSocket::I3IpcSocket(int fd, Callbacks callbacks)
    : fd_(fd)
    , callbacks_(std::move(callbacks))
    , readNotifier_(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read))
    , writeNotifier_(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write)) {
    writeNotifier_->setEnabled(false);
    QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, readNotifier_.get(), [this] {
        if (callbacks_.readable) {
            callbacks_.readable();
        }
    });
    QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, writeNotifier_.get(),
                     [this] { flush(); });
}

I3IpcSocket::~I3IpcSocket() {
    retire(readNotifier_);
    retire(writeNotifier_);
    ::close(fd_);
}

I3IpcSocket::ReadResult I3IpcSocket::read(char* into, std::size_t size) {
    if (failed_) {
        return {ReadStatus::Closed, 0};
    }
    for (;;) {
        const ssize_t count = ::recv(fd_, into, size, 0);
        if (count > 0) {
            return {ReadStatus::Data, static_cast<std::size_t>(count)};
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return {ReadStatus::Empty, 0};
        }
        // The end of the stream, or an error: nothing more will come.
        readNotifier_->setEnabled(false);
        return {ReadStatus::Closed, 0};
    }
}

bool I3IpcSocket::write(std::string_view bytes) {
    if (failed_ || queued_.size() + bytes.size() > kMaxQueuedBytes) {
        return false;
    }
    queued_.append(bytes);
    flush();
    return !failed_;
}

void I3IpcSocket::flush() {
    while (!queued_.empty() && !failed_) {
        // MSG_NOSIGNAL: a peer that went away is an error here, not a SIGPIPE for the process.
        const ssize_t count = ::send(fd_, queued_.data(), queued_.size(), MSG_NOSIGNAL);
        if (count > 0) {
            queued_.erase(0, static_cast<std::size_t>(count));
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break; // the rest when the socket can take it
        } else {
            fail(reason("send", count < 0 ? errno : EPIPE));
        }
    }
    if (writeNotifier_) {
        writeNotifier_->setEnabled(!queued_.empty() && !failed_);
    }
}

void I3IpcSocket::fail(const std::string& why) {
    failed_ = true;
    queued_.clear();
    // Told on a later turn: the caller may be in the middle of a write.
    QTimer::singleShot(0, [this, why, alive = std::weak_ptr<bool>(alive_)] {
        if (!alive.expired() && callbacks_.failed) {
            callbacks_.failed(why);
        }
    });
}

} // namespace quillbar
