// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services/AppcastItem.h"
#include "services/UpdateFeedFetcher.h"
#include "services/UpdateUserDriver.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <memory>
#include <optional>

namespace quillbar {

// Finds out whether a newer Quillbar has been released. The user starts checks from the menu;
// besides, a scheduled check runs a minute after start and then once a day. Nothing is ever
// downloaded or run: a found update is shown, and "Download" opens its page in the browser.
// Lives on the main thread; every signal is emitted there.
class UpdaterController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheck READ canCheck NOTIFY canCheckChanged)
    Q_PROPERTY(bool updateIsWaiting READ updateIsWaiting NOTIFY updateIsWaitingChanged)

public:
    // Settings keys, in the application's settings file.
    static constexpr const char* kFeedURLKey = "UpdateFeedURL";
    static constexpr const char* kLastCheckKey = "LastUpdateCheck.v1";
    static constexpr const char* kSkippedVersionKey = "SkippedUpdateVersion.v1";

    struct Config {
        QUrl buildFeedURL;      // the build's feed; the setting "UpdateFeedURL" overrides it
        QString currentVersion; // the running version
        std::chrono::milliseconds firstCheckDelay{std::chrono::minutes(1)};
        std::chrono::milliseconds checkInterval{std::chrono::hours(24)};
        UpdateFeedFetcher::Limits limits;
        QString fetcherModule; // the module that fetches; empty: the one beside the executable
        QString settingsOrganization = QStringLiteral("quillbar");
        QString settingsApplication = QStringLiteral("quillbar");
    };

    // A controller that reads its feed address now and shows everything through driver.
    // Scheduled checks begin with start().
    UpdaterController(Config config, std::unique_ptr<UpdateUserDriver> driver,
                      QObject* parent = nullptr);
    ~UpdaterController() override;

    // The application's controller: the build's feed, the running version, message boxes. Its
    // scheduled checks begin with start().
    static std::unique_ptr<UpdaterController> forApplication();

    // True when a feed is configured and no check or update dialog is in progress.
    bool canCheck() const { return canCheck_; }
    // True from a scheduled check finding an update the user has not skipped, until the user
    // chooses the update command.
    bool updateIsWaiting() const { return updateIsWaiting_; }
    // The update command's title: "Update Available…" while an update waits, else
    // "Check for Updates…".
    QString commandTitle() const;
    // The feed in use; empty when none is configured or the configured one is not allowed.
    QUrl feedURL() const { return feedURL_; }
    // When the next scheduled check runs; invalid before start() or without a feed.
    QDateTime nextScheduledCheck() const { return nextScheduledCheck_; }

    // Starts scheduled checks: the first a minute from now, or a day after the last check kept
    // in the settings if that is later; then one a day.
    void start();

public slots:
    // The user's check: shows the waiting update if there is one (which attends to it), else
    // fetches the feed and ends in a dialog. Does nothing while canCheck is false.
    void checkForUpdates();

signals:
    // canCheck changed to value.
    void canCheckChanged(bool value);
    // updateIsWaiting changed to value.
    void updateIsWaitingChanged(bool value);
    // A scheduled check found an update; emitted once per found version, for a tray message
    // (plain text: the feed's version appears in it without markup characters).
    void attentionRequested(const QString& title, const QString& message);

private:
    enum class Origin { User, Scheduled };

    void beginCheck(Origin origin);
    void onFetched(Origin origin, const UpdateFeedFetcher::Result& result);
    void finishScheduled(const std::optional<AppcastItem>& found);
    void present(const AppcastItem& item);
    void onChoice(const AppcastItem& item, UpdateChoice choice);
    void scheduleAt(const QDateTime& when);
    void onScheduleTimer();
    void setBusy(bool busy);
    void setUpdateIsWaiting(bool waiting);
    QUrl configuredFeed() const;
    QString settingsPath() const;
    // A setting as text, empty when unset or when the file must not be opened.
    QString setting(const char* key) const;
    // Writes a setting unless that would wait on the file (then it is skipped, with a warning).
    void setSetting(const char* key, const QString& value) const;

    Config config_;
    std::unique_ptr<UpdateUserDriver> driver_;
    UpdateFeedFetcher fetcher_;
    QUrl feedURL_;
    bool busy_ = false;
    bool canCheck_ = false;
    bool updateIsWaiting_ = false;
    std::optional<AppcastItem> waitingItem_;
    QTimer scheduleTimer_;
    QDateTime nextScheduledCheck_;
};

} // namespace quillbar
