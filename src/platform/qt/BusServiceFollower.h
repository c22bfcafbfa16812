// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QString>

#include <functional>

class QDBusServiceWatcher;
class QObject;

namespace quillbar {

// Follows who owns a bus name: its first owner, its leaving, and one owner handing it straight to
// another (a window manager replaced in place, a shell restarted).
class BusServiceFollower {
public:
    // A watcher owned by parent that calls gone when service loses its owner and arrived when it
    // gets a new one.
    static QDBusServiceWatcher* follow(const QDBusConnection& bus, const QString& service,
                                       QObject* parent, std::function<void()> gone,
                                       std::function<void()> arrived);
};

} // namespace quillbar
