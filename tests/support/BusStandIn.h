// SPDX-License-Identifier: GPL-3.0-or-later
// A desktop service played by a test on the private session bus: a connection of its own that owns
// the service name and answers at one object path. Header-only: only Qt tests use it.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTest>

namespace quillbar::test {

// A fresh connection to the session bus, as another program's would be, open until the program
// ends or it leaves; name (when given) receives the connection's name, to leave by.
inline QDBusConnection busParty(QString* name = nullptr) {
    static int count = 0;
    const QString connection = QStringLiteral("party-%1").arg(count++);
    if (name != nullptr) {
        *name = connection;
    }
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, connection);
}

// Whether done() holds within 5 s of running the event loop.
template <typename Done> bool eventually(Done done) {
    return QTest::qWaitFor(done, 5000);
}

class BusStandIn : public QDBusVirtualObject {
public:
    BusStandIn(const char* service, const char* path, const char* interface)
        : bus_(busParty())
        , service_(QString::fromLatin1(service))
        , path_(QString::fromLatin1(path))
        , interface_(QString::fromLatin1(interface)) {
        bus_.registerVirtualObject(path_, this);
        come();
    }
    ~BusStandIn() override {
        leave();
        bus_.unregisterObject(path_);
    }

    QString introspect(const QString&) const override { return {}; }
    // Sends the signal name of the stand-in's interface from its path.
    void emitSignal(const char* name, const QList<QVariant>& arguments) {
        QDBusMessage signal =
            QDBusMessage::createSignal(path_, interface_, QString::fromLatin1(name));
        signal.setArguments(arguments);
        bus_.send(signal);
    }
    // Gives the service name up, as the desktop does when it quits.
    void leave() { bus_.unregisterService(service_); }
    // Takes the service name (again), as the desktop does when it starts.
    void come() { bus_.registerService(service_); }

private:
    QDBusConnection bus_;
    QString service_, path_, interface_;
};

} // namespace quillbar::test
