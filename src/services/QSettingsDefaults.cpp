#include "services/QSettingsDefaults.h"

#include <QByteArray>
#include <QSettings>
#include <QtGlobal>

namespace quillbar {

namespace {

QString qKey(const std::string& key) {
    return QString::fromStdString(key);
}

} // namespace

QSettingsDefaults::QSettingsDefaults()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("quillbar"),
                                            QStringLiteral("quillbar"))) {}

QSettingsDefaults::QSettingsDefaults(const QString& filePath)
    : settings_(std::make_unique<QSettings>(filePath, QSettings::NativeFormat)) {}

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
    settings_->setValue(qKey(key), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return flush();
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
    settings_->setValue(qKey(key), value);
    return flush();
}

QString QSettingsDefaults::fileName() const {
    return settings_->fileName();
}

bool QSettingsDefaults::flush() {
    settings_->sync();
    if (settings_->status() == QSettings::NoError) {
        return true;
    }
    // The value stays in memory and goes out with the next successful flush; the file on disk
    // still holds the last complete write.
    qWarning("Quillbar could not save its settings to %s", qUtf8Printable(settings_->fileName()));
    return false;
}

} // namespace quillbar
