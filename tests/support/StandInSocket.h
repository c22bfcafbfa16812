// SPDX-License-Identifier: GPL-3.0-or-later
// A listening Unix socket in a folder of its own for a test to play the peer on, and a way to
// run QtCore's event loop until something holds. Header-only: only Qt tests use it.
#pragma once

#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quillbar::test {

// Runs QtCore's event loop until done() holds, or 5 s pass; says whether it held.
template <typename Done> bool spinUntil(Done done) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    poll.start(1);
    if (!done()) {
        loop.exec();
    }
    return done();
}

// The listening end, never blocking; one accepted peer at a time.
class StandInSocket {
public:
    StandInSocket() {
        path_ = dir_.filePath(QStringLiteral("ipc.sock")).toStdString();
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path_.data(), path_.size());
        listening_ =
            dir_.isValid() && listener_ >= 0 &&
            ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            ::listen(listener_, 16) == 0;
    }
    ~StandInSocket() {
        closePeer();
        ::close(listener_); // -1 when it failed: EBADF, nothing to close
    }
    StandInSocket(const StandInSocket&) = delete;
    StandInSocket& operator=(const StandInSocket&) = delete;

    // Whether the socket listens at path().
    bool listening() const { return listening_; }
    const std::string& path() const { return path_; }
    // The accepted peer's descriptor, or -1.
    int peer() const { return peer_; }
    // Takes the next connection (closing the last peer), spinning the event loop meanwhile.
    bool accept() {
        closePeer();
        return spinUntil(
            [&] { return peer_ >= 0 || (peer_ = ::accept(listener_, nullptr, nullptr)) >= 0; });
    }
    // Hangs up on the peer, if there is one.
    void closePeer() {
        if (peer_ >= 0) {
            ::close(peer_);
            peer_ = -1;
        }
    }

private:
    QTemporaryDir dir_;
    std::string path_;
    int listener_ = -1;
    int peer_ = -1;
    bool listening_ = false;
};

} // namespace quillbar::test
