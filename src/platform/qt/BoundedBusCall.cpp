// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/BoundedBusCall.h"

#include <QCoreApplication>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace quillbar {

std::optional<QDBusMessage> BoundedBusCall::answer(const QDBusConnection& bus,
                                                   const QDBusMessage& call,
                                                   std::chrono::milliseconds timeout) {
    if (!bus.isConnected() || QCoreApplication::instance() == nullptr) {
        return std::nullopt; // without an application object there is no loop to wait in
    }
    const int milliseconds = static_cast<int>(std::max<std::int64_t>(timeout.count(), 1));
    QDBusPendingCallWatcher watcher(bus.asyncCall(call, milliseconds));
    if (!watcher.isFinished()) {
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!watcher.isFinished()) {
        return std::nullopt;
    }
    return watcher.reply();
}

} // namespace quillbar
