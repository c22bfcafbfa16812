// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/QSettingsDefaults.h"

#include <QByteArray>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QtGlobal>

namespace quillbar {

namespace {

QString qKey(const std::string& key) {
    return QString::fromStdString(key);
}

// Where QSettings keeps organisation and application "quillbar", found without reading it.
QString userSettingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quillbar/quillbar.conf");
}

} // namespace

std::optional<std::string> QSettingsDefaults::unsafeFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return std::nullopt;
    }
    if (!info.isFile()) {
        return QStringLiteral("%1 is not a regular file").arg(path).toStdString();
    }
    if (info.size() > QSettingsDefaults::maxFileSize) {
        return QStringLiteral("%1 is larger than 1 MiB (%2 bytes)")
            .arg(path)
            .arg(info.size())
            .toStdString();
    }
    return std::nullopt;
}

QSettingsDefaults::QSettingsDefaults()
    : QSettingsDefaults(userSettingsPath()) {}

QSettingsDefaults::QSettingsDefaults(const QString& filePath)
    : filePath_(filePath) {
    checkReadable();
    // A file that must not be read is not handed to QSettings, which would read it.
    settings_ =
        std::make_unique<QSettings>(readProblem_ ? QString() : filePath_, QSettings::NativeFormat);
    if (!readProblem_) {
        for (const QString& key : settings_->allKeys()) {
            known_.insert(key, settings_->value(key));
        }
    }
}

QSettingsDefaults::~QSettingsDefaults() = default;

QVariant QSettingsDefaults::value(const std::string& key) const {
    const auto pending = unsaved_.constFind(qKey(key));
    return pending != unsaved_.cend() ? pending.value() : settings_->value(qKey(key));
}

std::optional<std::string> QSettingsDefaults::data(const std::string& key) const {
    const QVariant value = this->value(key);
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
    const QVariant value = this->value(key);
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
    const QVariant value = this->value(key);
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
    if (settings_->fileName() != filePath_ || settings_->status() != QSettings::NoError ||
        !unsaved_.isEmpty()) {
        if (!unsaved_.isEmpty() && writeBlocker(filePath_)) {
            return std::nullopt; // the values wait in memory for the next write
        }
        reopen();
    }
    // Reads the file again when it changed on disk since it was last read.
    settings_->sync();
    if (settings_->status() == QSettings::NoError) {
        for (const QString& key : settings_->allKeys()) {
            known_.insert(key, settings_->value(key));
        }
        unsaved_.clear();
    }
    return std::nullopt;
}

void QSettingsDefaults::checkReadable() {
    if ((readProblem_ = unsafeFile(filePath_))) {
        return;
    }
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
    return filePath_;
}

std::optional<std::string> QSettingsDefaults::writeBlocker(const QString& filePath) {
    if (auto unsafe = unsafeFile(filePath)) {
        return unsafe;
    }
    // QSettings waits for its lock without end: the lock is tried here first, with a deadline.
    const QString folder = QFileInfo(filePath).path();
    if (!QDir().mkpath(folder)) {
        return QStringLiteral("cannot create %1").arg(folder).toStdString();
    }
    const QString lockPath = filePath + QStringLiteral(".lock");
    if (QFileInfo(lockPath).isDir()) {
        return QStringLiteral("%1 is a directory").arg(lockPath).toStdString();
    }
    QLockFile lock(lockPath);
    if (!lock.tryLock(lockTimeoutMs)) {
        // Held elsewhere, or not even created: then a trial write says why (a full disk).
        const std::optional<std::string> why = lock.error() == QLockFile::LockFailedError
                                                   ? std::nullopt
                                                   : trialWriteFailure(lockPath, 256);
        return QStringLiteral("cannot take the lock %1").arg(lockPath).toStdString() +
               (why ? " (" + *why + ")" : std::string());
    }
    return std::nullopt;
}

std::optional<std::string> QSettingsDefaults::trialWriteFailure(const QString& path, qint64 size) {
    QSaveFile trial(path);
    if (!trial.open(QIODevice::WriteOnly)) {
        return trial.errorString().toStdString();
    }
    const QByteArray filler(static_cast<qsizetype>(size), '\n');
    std::optional<std::string> reason;
    if (trial.write(filler) != filler.size() || !trial.flush()) {
        reason = trial.errorString().toStdString();
    }
    trial.cancelWriting();
    return reason;
}

std::string QSettingsDefaults::writeFailure() const {
    // QSettings tells no reason: a trial replacement of the same size finds it, then is dropped.
    return trialWriteFailure(filePath_, QFileInfo(filePath_).size() + 4096)
        .value_or("the settings file could not be written");
}

bool QSettingsDefaults::write(const QString& key, const QVariant& value) {
    if (readProblem_) {
        // Writing would replace a file whose contents were never seen.
        qWarning("Quillbar does not write %s: %s", qUtf8Printable(filePath_),
                 readProblem_->c_str());
        writeProblem_ = readProblem_;
        return false;
    }
    unsaved_.insert(key, value);
    if ((writeProblem_ = writeBlocker(filePath_))) {
        qWarning("Quillbar could not save its settings: %s", writeProblem_->c_str());
        return false;
    }
    if (!QFileInfo::exists(filePath_)) {
        // The file or its folder vanished: every value goes out again, not only the new one.
        for (auto old = known_.cbegin(); old != known_.cend(); ++old) {
            if (!unsaved_.contains(old.key())) {
                unsaved_.insert(old.key(), old.value());
            }
        }
        reopen();
    } else if (settings_->fileName() != filePath_ || settings_->status() != QSettings::NoError) {
        // QSettings keeps its first error for good: a fresh one tries the file again, carrying
        // every value that has not reached the disk yet.
        reopen();
    } else {
        for (auto pending = unsaved_.cbegin(); pending != unsaved_.cend(); ++pending) {
            settings_->setValue(pending.key(), pending.value()); // also those a lock held back
        }
    }
    settings_->sync();
    if (settings_->status() == QSettings::NoError) {
        known_.insert(unsaved_);
        unsaved_.clear();
        return true;
    }
    // The values stay in memory for reading; the file on disk still holds the last complete
    // write, since QSettings replaces it atomically.
    writeProblem_ = writeFailure();
    qWarning("Quillbar could not save its settings to %s: %s", qUtf8Printable(filePath_),
             writeProblem_->c_str());
    return false;
}

} // namespace quillbar
