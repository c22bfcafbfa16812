#pragma once

#include "model/Defaults.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

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

    // The file that holds the settings.
    QString fileName() const;

private:
    bool write(const QString& key, const QVariant& value);

    QString filePath_;
    std::unique_ptr<QSettings> settings_;
    // Values whose write failed; they go out again with the next write.
    QVariantMap unsaved_;
};

} // namespace quillbar
