// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/BusServiceFollower.h"

#include <QDBusServiceWatcher>

namespace quillbar {

QDBusServiceWatcher* BusServiceFollower::follow(const QDBusConnection& bus, const QString& service,
                                                QObject* parent, std::function<void()> gone,
                                                std::function<void()> arrived) {
    auto* watcher = new QDBusServiceWatcher(service, bus,
                                            QDBusServiceWatcher::WatchForRegistration |
                                                QDBusServiceWatcher::WatchForUnregistration |
                                                QDBusServiceWatcher::WatchForOwnerChange,
                                            parent);
    QObject::connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, parent,
                     [gone = std::move(gone), arrived = std::move(arrived)](
                         const QString&, const QString&, const QString& newOwner) {
                         if (newOwner.isEmpty()) {
                             gone();
                         } else {
                             arrived();
                         }
                     });
    return watcher;
}

} // namespace quillbar
