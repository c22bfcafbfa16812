// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/TitleExporter.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include <utility>

namespace quillbar {

TitleExporter::TitleExporter(BusObject& object, QString title)
    : QDBusAbstractAdaptor(&object)
    , object_(object)
    , title_(busText(title)) {}

QString TitleExporter::busText(const QString& title) {
    QString text = title;
    text.remove(QChar(u'\0'));
    return text;
}

void TitleExporter::setMenuBarTitle(const QString& title) {
    QString text = busText(title);
    if (text == title_) {
        return;
    }
    title_ = std::move(text);
    if (!object_.bus().isConnected()) {
        return;
    }
    // Sent directly rather than relayed from a Qt signal: one message each, in this order.
    const QString interface = QString::fromLatin1(kInterface);
    QDBusMessage changed =
        QDBusMessage::createSignal(object_.path(), interface, QString::fromLatin1(kSignal));
    changed << title_;
    object_.bus().send(changed);
    QDBusMessage properties = QDBusMessage::createSignal(
        object_.path(), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    properties << interface << QVariantMap{{QString::fromLatin1(kProperty), title_}}
               << QStringList();
    object_.bus().send(properties);
}

} // namespace quillbar
