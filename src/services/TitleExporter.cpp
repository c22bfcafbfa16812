#include "services/TitleExporter.h"

#include <QDBusMessage>
#include <QVariantMap>

#include <utility>

namespace quillbar {

TitleExporter::TitleExporter(QDBusConnection bus, QString title, QObject* parent)
    : QObject(parent)
    , bus_(std::move(bus))
    , title_(std::move(title)) {
    if (bus_.isConnected()) {
        exported_ = bus_.registerObject(QString::fromLatin1(kPath), this,
                                        QDBusConnection::ExportAllProperties |
                                            QDBusConnection::ExportAllSignals);
    }
}

TitleExporter::~TitleExporter() {
    if (exported_) {
        bus_.unregisterObject(QString::fromLatin1(kPath));
    }
}

void TitleExporter::setMenuBarTitle(const QString& title) {
    if (title == title_) {
        return;
    }
    title_ = title;
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
