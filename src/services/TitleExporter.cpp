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
    emit MenuBarTitleChanged(title_);
    if (exported_) {
        QDBusMessage changed = QDBusMessage::createSignal(
            QString::fromLatin1(kPath), QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"));
        changed << QString::fromLatin1(kInterface)
                << QVariantMap{{QString::fromLatin1(kProperty), title_}} << QStringList();
        bus_.send(changed);
    }
}

} // namespace quillbar
