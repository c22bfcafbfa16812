#include "services/TitleExporter.h"

#include <QDBusMessage>
#include <QVariantMap>

#include <utility>

namespace quillbar {

TitleExporter::TitleExporter(QDBusConnection bus, QString title, QObject* parent)
    : QObject(parent)
    , bus_(std::move(bus))
    , title_(busText(title)) {
    if (bus_.isConnected()) {
        exported_ = bus_.registerObject(QString::fromLatin1(kPath), this,
                                        QDBusConnection::ExportAllProperties |
                                            QDBusConnection::ExportAllSignals |
                                            QDBusConnection::ExportAdaptors);
    }
}

TitleExporter::~TitleExporter() {
    if (exported_) {
        bus_.unregisterObject(QString::fromLatin1(kPath));
    }
}

QString TitleExporter::busText(const QString& title) {
    QString text = title;
    text.remove(QChar(u'\0'));
    return text;
}

void TitleExporter::setMenuBarTitle(const QString& title) {
    const QString text = busText(title);
    if (text == title_) {
        return;
    }
    title_ = text;
    if (exported_) {
        announce();
    }
}

void TitleExporter::announce() const {
    // Both signals are made here rather than by relaying the Qt signal, which would look the
    // object's interface up and box the title anew on every change.
    const QString path = QString::fromLatin1(kPath);
    const QString interface = QString::fromLatin1(kInterface);
    QDBusMessage changed =
        QDBusMessage::createSignal(path, interface, QString::fromLatin1(kSignal));
    changed.setArguments({title_});
    bus_.send(changed);
    QDBusMessage properties =
        QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    properties.setArguments(
        {interface, QVariantMap{{QString::fromLatin1(kProperty), title_}}, QStringList()});
    bus_.send(properties);
}

} // namespace quillbar
