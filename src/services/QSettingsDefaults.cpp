#include "services/QSettingsDefaults.h"

#include <QByteArray>
#include <QDebug>
#include <QFile>
#include <QSettings>
#include <QStringList>
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
    , settings_(std::make_unique<QSettings>(filePath_, QSettings::NativeFormat)) {
    checkReadable();
}

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

std::optional<std::string> QSettingsDefaults::nonDataText(const std::string& key) const {
    const QVariant value = settings_->value(qKey(key));
    if (!value.isValid() || value.typeId() == QMetaType::QByteArray) {
        return std::nullopt;
    }
    // An unquoted line with commas reads back as a list of its parts.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    }
    if (value.canConvert<QString>()) {
        return value.toString().toStdString();
    }
    QString described;
    QDebug(&described).noquote() << value;
    return described.toStdString();
}

std::optional<std::string> QSettingsDefaults::readProblem() const {
    return readProblem_;
}

std::optional<std::string> QSettingsDefaults::reload() {
    checkReadable();
    if (readProblem_) {
        return readProblem_;
    }
    if (settings_->status() != QSettings::NoError || !unsaved_.isEmpty()) {
        reopen();
    }
    // Reads the file again when it changed on disk since it was last read.
    settings_->sync();
    if (settings_->status() == QSettings::NoError) {
        unsaved_.clear();
    }
    return std::nullopt;
}

void QSettingsDefaults::checkReadable() {
    QFile file(filePath_);
    if (!file.exists() || file.open(QIODevice::ReadOnly)) {
        readProblem_.reset();
        return;
    }
    readProblem_ =
        QStringLiteral("cannot read %1 (%2)").arg(filePath_, file.errorString()).toStdString();
}

void QSettingsDefaults::reopen() {
    settings_ = std::make_unique<QSettings>(filePath_, QSettings::NativeFormat);
    for (auto pending = unsaved_.cbegin(); pending != unsaved_.cend(); ++pending) {
        settings_->setValue(pending.key(), pending.value());
    }
}

QString QSettingsDefaults::fileName() const {
    return settings_->fileName();
}

bool QSettingsDefaults::write(const QString& key, const QVariant& value) {
    if (readProblem_) {
        // Writing would replace a file whose contents were never seen.
        qWarning("Quillbar does not write %s: %s", qUtf8Printable(filePath_),
                 readProblem_->c_str());
        return false;
    }
    unsaved_.insert(key, value);
    if (settings_->status() != QSettings::NoError) {
        // QSettings keeps its first error for good: a fresh one tries the file again, carrying
        // every value that has not reached the disk yet.
        reopen();
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
