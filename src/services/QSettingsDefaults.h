// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Defaults.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <string>

class QSettings;

namespace quillbar {

// Defaults kept by QSettings in an INI file. Every write is flushed at once (QSettings would
// otherwise write lazily) through an atomic file replacement, so a change is on disk right away
// and a failed write leaves the file as it was.
class QSettingsDefaults final : public Defaults {
public:
    // The user's settings: organisation and application "quillbar" in the XDG config directory.
    QSettingsDefaults();
    // Settings kept in the file at filePath.
    explicit QSettingsDefaults(const QString& filePath);
    ~QSettingsDefaults() override;
    QSettingsDefaults(const QSettingsDefaults&) = delete;
    QSettingsDefaults& operator=(const QSettingsDefaults&) = delete;

    std::optional<std::string> data(const std::string& key) const override;
    // Stores the bytes and flushes; false (with a warning) when the file could not be written.
    bool setData(const std::string& key, std::string_view bytes) override;
    bool boolValue(const std::string& key) const override;
    // Stores the boolean and flushes; false (with a warning) when the file could not be written.
    bool setBool(const std::string& key, bool value) override;
    // Text, lists (joined by commas), numbers and other values in their text form.
    std::optional<std::string> nonDataText(const std::string& key) const override;
    // Set when the file is there but cannot be opened for reading; it is then never written.
    // Also set when the path is not a regular file (a FIFO, a device) or is over maxFileSize:
    // such a file is never opened.
    std::optional<std::string> readProblem() const override;
    std::optional<std::string> writeProblem() const override { return writeProblem_; }
    // Opens the file again; values whose write failed go out again once it can be read.
    std::optional<std::string> reload() override;

    // The file that holds the settings.
    QString fileName() const;

    // The largest settings file read; a larger one is kept as it is, unread.
    static constexpr qint64 maxFileSize = 1 << 20;
    // How long a write waits for the settings file's lock.
    static constexpr int lockTimeoutMs = 200;

    // Why the file at path must not be opened at all (no regular file, over maxFileSize);
    // nullopt for a sane file or none. For anyone else who opens a QSettings on it.
    static std::optional<std::string> unsafeFile(const QString& path);
    // Why the file at path may not be written now (unsafe, its lock cannot be taken within
    // lockTimeoutMs); nullopt when a QSettings may write it without waiting.
    static std::optional<std::string> writeBlocker(const QString& path);

private:
    std::string writeFailure() const;
    // Why a trial write of size bytes beside path fails (it is dropped either way).
    static std::optional<std::string> trialWriteFailure(const QString& path, qint64 size);
    QVariant value(const std::string& key) const;
    bool write(const QString& key, const QVariant& value);
    // A fresh QSettings on the file, carrying every value not yet on disk.
    void reopen();
    void checkReadable();

    QString filePath_;
    std::unique_ptr<QSettings> settings_;
    // Values whose write failed; they go out again with the next write.
    QVariantMap unsaved_;
    // Every value read or written, to be written again when the file has vanished.
    QVariantMap known_;
    std::optional<std::string> readProblem_;
    std::optional<std::string> writeProblem_;
};

} // namespace quillbar
