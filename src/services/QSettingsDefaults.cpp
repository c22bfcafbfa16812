#include "services/QSettingsDefaults.h"

#include <QByteArray>
#include <QSettings>
#include <QtGlobal>

namespace quillbar {

namespace {

QString qKey(const std::string& key) {
    return QString::fromStdString(key);
}

QString userSettingsPath() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("quillbar"),
                     QStringLiteral("quillbar"))
        .fileName();
}

} // namespace

QSettingsDefaults::QSettingsDefaults()
    : QSettingsDefaults(userSettingsPath()) {}

QSettingsDefaults::QSettingsDefaults(const QString& filePath)
    : filePath_(filePath)
    , settings_(std::make_unique<QSettings>(filePath_, QSettings::NativeFormat)) {}

QSettingsDefaults::~QSettingsDefaults() = default;

std::optional<std::string> QSettingsDefaults::data(const std::string& key) const {
    const QVariant value = settings_->value(qKey(key));
    // A data value reads back as a byte array; text or numbers under the key are not data.
    if (value.typeId() != QMetaType::QByteArray) {
        return std::nullopt;
    }
    const QByteArray bytes = value.toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool QSettingsDefaults::setData(const std::string& key, std::string_view bytes) {
    return write(qKey(key), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

bool QSettingsDefaults::boolValue(const std::string& key) const {
    const QVariant value = settings_->value(qKey(key));
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    // The INI file keeps booleans as the words true and false.
    return value.typeId() == QMetaType::QString && value.toString() == QLatin1String("true");
}

bool QSettingsDefaults::setBool(const std::string& key, bool value) {
    return write(qKey(key), value);
}

QString QSettingsDefaults::fileName() const {
    return settings_->fileName();
}

bool QSettingsDefaults::write(const QString& key, const QVariant& value) {
    unsaved_.insert(key, value);
    if (settings_->status() != QSettings::NoError) {
        // QSettings keeps its first error for good: a fresh one tries the file again, carrying
        // every value that has not reached the disk yet.
        settings_ = std::make_unique<QSettings>(filePath_, QSettings::NativeFormat);
        for (auto pending = unsaved_.cbegin(); pending != unsaved_.cend(); ++pending) {
            settings_->setValue(pending.key(), pending.value());
        }
    } else {
        settings_->setValue(key, value);
    }
    settings_->sync();
    if (settings_->status() == QSettings::NoError) {
        unsaved_.clear();
        return true;
    }
    // The values stay in memory for reading; the file on disk still holds the last complete
    // write, since QSettings replaces it atomically.
    qWarning("Quillbar could not save its settings to %s", qUtf8Printable(filePath_));
    return false;
}

} // namespace quillbar
