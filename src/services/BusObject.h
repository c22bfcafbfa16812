// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace quillbar {

// One object of the application's on the session bus, whose interfaces are the adaptors made on
// it (the title, the menu). It is served once serve() is called, after its adaptors exist, and
// until it is destroyed; the adaptors live exactly as long as it does.
class BusObject : public QObject {
    Q_OBJECT
public:
    // The object at path on bus; nothing is served yet.
    BusObject(QDBusConnection bus, QString path);
    // Takes the object off the bus.
    ~BusObject() override;

    // Serves the object and its adaptors; false when the bus is not connected or the path taken.
    bool serve();
    // The connection it is served on, for the signals its adaptors send.
    const QDBusConnection& bus() const { return bus_; }
    // Where it is served.
    const QString& path() const { return path_; }

private:
    QDBusConnection bus_;
    QString path_;
    bool served_ = false;
};

} // namespace quillbar
