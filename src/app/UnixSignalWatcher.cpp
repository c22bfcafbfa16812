// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UnixSignalWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quillbar {

namespace {

// The write end for the handler: a signal handler can reach nothing but static state. The one
// watcher of the process owns it.
volatile std::sig_atomic_t writeSocket = -1;

void forwardSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full socket means a byte is already waiting; losing this one changes nothing.
    [[maybe_unused]] const ssize_t written = ::write(writeSocket, &byte, 1);
    errno = savedErrno;
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent)
    : QObject(parent)
    , signals_(signalNumbers) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, sockets_) != 0) {
        return;
    }
    writeSocket = sockets_[0];
    notifier_ = std::make_unique<QSocketNotifier>(sockets_[1], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &UnixSignalWatcher::readSignals);
    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : signals_) {
        ::sigaction(signalNumber, &action, nullptr);
    }
}

UnixSignalWatcher::~UnixSignalWatcher() {
    if (!notifier_) {
        return;
    }
    for (const int signalNumber : signals_) {
        std::signal(signalNumber, SIG_DFL);
    }
    notifier_.reset();
    writeSocket = -1;
    ::close(sockets_[0]);
    ::close(sockets_[1]);
}

void UnixSignalWatcher::readSignals() {
    unsigned char byte = 0;
    while (::read(sockets_[1], &byte, 1) == 1) {
        emit received(byte);
    }
}

} // namespace quillbar
