// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <initializer_list>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace quillbar {

// Turns Unix signals into a Qt signal on the main thread: the handler only writes the signal
// number into a socket pair, and a socket notifier reads it back on the event loop.
// One watcher per process.
class UnixSignalWatcher : public QObject {
    Q_OBJECT
public:
    // Watches the given signals (e.g. SIGTERM, SIGINT) until destroyed.
    explicit UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    // Restores the default handlers and closes the socket pair.
    ~UnixSignalWatcher() override;

signals:
    // One of the watched signals arrived.
    void received(int signalNumber);

private:
    void readSignals();

    int sockets_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<int> signals_;
};

} // namespace quillbar
