#include "services/DebugRequests.h"

#include "platform/NotificationCenter.h"

#include <QDBusConnectionInterface>

#include <utility>

namespace quillbar {

namespace {

bool send(QDBusConnection& bus, QDBusMessage message) {
    return bus.isConnected() && bus.send(message) && bus.interface() != nullptr &&
           // A round trip makes sure the signal left before the sender exits.
           bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus")).isValid();
}

} // namespace

DebugRequests::DebugRequests(QDBusConnection bus, Post post, QObject* parent)
    : QObject(parent)
    , post_(std::move(post)) {
    if (!bus.isConnected()) {
        return;
    }
    const QString interface = QString::fromLatin1(kInterface);
    bus.connect(QString(), QString(), interface, QStringLiteral("switchTo"), this,
                SLOT(switchToReceived(QDBusMessage)));
    bus.connect(QString(), QString(), interface, QStringLiteral("settings"), this,
                SLOT(settingsReceived(QDBusMessage)));
}

bool DebugRequests::sendSwitchTo(QDBusConnection bus, const QString& desktop) {
    QDBusMessage message = QDBusMessage::createSignal(
        QString::fromLatin1(kPath), QString::fromLatin1(kInterface), QStringLiteral("switchTo"));
    message << desktop;
    return send(bus, message);
}

bool DebugRequests::sendSettings(QDBusConnection bus) {
    return send(bus, QDBusMessage::createSignal(QString::fromLatin1(kPath),
                                                QString::fromLatin1(kInterface),
                                                QStringLiteral("settings")));
}

void DebugRequests::switchToReceived(const QDBusMessage& message) {
    std::optional<std::string> object;
    const QList<QVariant> arguments = message.arguments();
    // Only text counts as the desktop number; the observer ignores anything else.
    if (!arguments.isEmpty() && arguments.first().typeId() == QMetaType::QString) {
        object = arguments.first().toString().toStdString();
    }
    post_(NotificationCenter::kDebugSwitchTo, object);
}

void DebugRequests::settingsReceived(const QDBusMessage&) {
    post_(NotificationCenter::kDebugSettings, std::nullopt);
}

} // namespace quillbar
