// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/UpdaterController.h"

#include "services/AppcastParser.h"
#include "services/QSettingsDefaults.h"
#include "services/UpdateFeedAddress.h"
#include "services/UpdateMessageBoxDriver.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <limits>
#include <variant>

namespace quillbar {

namespace {

Q_LOGGING_CATEGORY(lcUpdates, "quillbar.updates")

#ifdef QUILLBAR_UPDATE_FEED_URL
constexpr const char* kBuildFeedURL = QUILLBAR_UPDATE_FEED_URL;
#else
constexpr const char* kBuildFeedURL = "";
#endif

QDateTime now() {
    return QDateTime::currentDateTimeUtc();
}

// The version as the tray message shows it. Notification servers may read a message as markup,
// so the feed's text goes there without markup characters, and short.
QString messageVersion(const AppcastItem& item) {
    QString version = item.displayVersion().left(40);
    version.remove(QLatin1Char('<')).remove(QLatin1Char('>')).remove(QLatin1Char('&'));
    return version;
}

} // namespace

UpdaterController::UpdaterController(Config config, std::unique_ptr<UpdateUserDriver> driver,
                                     QObject* parent)
    : QObject(parent)
    , config_(std::move(config))
    , driver_(std::move(driver))
    , fetcher_(config_.limits, config_.fetcherModule) {
    scheduleTimer_.setSingleShot(true);
    scheduleTimer_.setTimerType(Qt::CoarseTimer);
    connect(&scheduleTimer_, &QTimer::timeout, this, &UpdaterController::onScheduleTimer);
    feedURL_ = configuredFeed();
    canCheck_ = feedURL_.isValid();
}

UpdaterController::~UpdaterController() = default;

std::unique_ptr<UpdaterController> UpdaterController::forApplication() {
    Config config;
    config.buildFeedURL = QUrl(QString::fromUtf8(kBuildFeedURL));
    config.currentVersion = QCoreApplication::applicationVersion();
    return std::make_unique<UpdaterController>(std::move(config),
                                               std::make_unique<UpdateMessageBoxDriver>());
}

QString UpdaterController::commandTitle() const {
    return updateIsWaiting_ ? tr("Update Available…") : tr("Check for Updates…");
}

QString UpdaterController::settingsPath() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
           config_.settingsOrganization + u'/' + config_.settingsApplication +
           QStringLiteral(".conf");
}

QString UpdaterController::setting(const char* key) const {
    // A FIFO or a huge file at the path would hold the main thread in QSettings' read.
    if (QSettingsDefaults::unsafeFile(settingsPath())) {
        return {};
    }
    return QSettings(config_.settingsOrganization, config_.settingsApplication)
        .value(key)
        .toString();
}

void UpdaterController::setSetting(const char* key, const QString& value) const {
    // QSettings waits for a held lock without end: skip the write, it is only a reminder.
    if (auto blocker = QSettingsDefaults::writeBlocker(settingsPath())) {
        qCWarning(lcUpdates) << "Not writing" << key << "-" << QString::fromStdString(*blocker);
        return;
    }
    QSettings(config_.settingsOrganization, config_.settingsApplication).setValue(key, value);
}

QUrl UpdaterController::configuredFeed() const {
    const QString fromSettings = setting(kFeedURLKey).trimmed();
    const QUrl feed = fromSettings.isEmpty() ? config_.buildFeedURL : QUrl(fromSettings);
    if (feed.isEmpty()) {
        return {};
    }
    if (!UpdateFeedAddress::isAllowed(feed)) {
        qCWarning(lcUpdates) << "Ignoring the update feed" << feed.toDisplayString()
                             << "because it is not an https address";
        return {};
    }
    return feed;
}

void UpdaterController::start() {
    if (!feedURL_.isValid()) {
        return;
    }
    const QDateTime current = now();
    QDateTime due = current.addMSecs(config_.firstCheckDelay.count());
    const QDateTime last = QDateTime::fromString(setting(kLastCheckKey), Qt::ISODateWithMs);
    if (last.isValid()) {
        // A last check in the future means the clock was set back: count it as now.
        const QDateTime lastSeen = std::min(last, current);
        due = std::max(due, lastSeen.addMSecs(config_.checkInterval.count()));
    }
    scheduleAt(due);
}

void UpdaterController::checkForUpdates() {
    if (busy_) {
        return;
    }
    if (updateIsWaiting_ && waitingItem_) {
        const AppcastItem item = *waitingItem_;
        setUpdateIsWaiting(false);
        present(item);
        return;
    }
    if (!feedURL_.isValid()) {
        return;
    }
    beginCheck(Origin::User);
}

void UpdaterController::beginCheck(Origin origin) {
    setBusy(true);
    qCInfo(lcUpdates) << (origin == Origin::User ? "Checking" : "Scheduled check of")
                      << feedURL_.toDisplayString();
    fetcher_.fetch(feedURL_, [this, origin](const UpdateFeedFetcher::Result& result) {
        onFetched(origin, result);
    });
}

void UpdaterController::onFetched(Origin origin, const UpdateFeedFetcher::Result& result) {
    const QDateTime checkedAt = now();
    setSetting(kLastCheckKey, checkedAt.toString(Qt::ISODateWithMs));
    scheduleAt(checkedAt.addMSecs(config_.checkInterval.count()));

    std::optional<UpdateCheckError> error;
    std::optional<AppcastItem> found;
    if (const auto* failure = std::get_if<UpdateCheckError>(&result)) {
        error = *failure;
    } else {
        QString reason;
        const auto items = AppcastParser::parse(std::get<QByteArray>(result), reason);
        if (items) {
            found = AppcastParser::newestNewerThan(*items, config_.currentVersion);
        } else {
            error = UpdateCheckError{UpdateCheckError::Kind::Malformed,
                                     tr("The update feed could not be read: %1").arg(reason)};
        }
    }

    if (error) {
        qCWarning(lcUpdates) << "Update check failed:" << error->message;
    }
    if (origin == Origin::Scheduled) {
        finishScheduled(error ? std::nullopt : found);
    } else if (error) {
        setBusy(false);
        driver_->showError(*error);
    } else if (found) {
        present(*found);
    } else {
        setBusy(false);
        driver_->showUpToDate(config_.currentVersion);
    }
}

void UpdaterController::finishScheduled(const std::optional<AppcastItem>& found) {
    setBusy(false);
    if (!found) {
        return;
    }
    if (setting(kSkippedVersionKey) == found->version) {
        qCInfo(lcUpdates) << "Version" << found->version << "was skipped";
        return;
    }
    if (updateIsWaiting_ && waitingItem_ == found) {
        return; // already announced
    }
    qCInfo(lcUpdates) << "Version" << found->version.left(100) << "is available";
    waitingItem_ = found;
    setUpdateIsWaiting(true);
    emit attentionRequested(tr("Quillbar update available"),
                            tr("Quillbar %1 is available. Choose “Update Available…” in the menu.")
                                .arg(messageVersion(*found)));
}

void UpdaterController::present(const AppcastItem& item) {
    setBusy(true);
    const QPointer<UpdaterController> self(this);
    driver_->showUpdateFound(item, config_.currentVersion, [self, item](UpdateChoice choice) {
        if (self) {
            self->onChoice(item, choice);
        }
    });
}

void UpdaterController::onChoice(const AppcastItem& item, UpdateChoice choice) {
    switch (choice) {
    case UpdateChoice::Download:
        // The address comes from the feed: only a web page may reach the desktop's opener,
        // never a file, a script or another program's scheme.
        if (UpdateFeedAddress::isAllowed(item.downloadURL)) {
            driver_->openDownloadPage(item.downloadURL);
        } else {
            qCWarning(lcUpdates).noquote()
                << "Not opening the download address" << item.downloadURL.toString().left(200)
                << "of version" << item.version.left(100) << "- only https addresses are opened";
        }
        break;
    case UpdateChoice::SkipThisVersion:
        setSetting(kSkippedVersionKey, item.version);
        break;
    case UpdateChoice::RemindMeLater:
        break;
    }
    setBusy(false);
}

void UpdaterController::scheduleAt(const QDateTime& when) {
    nextScheduledCheck_ = when;
    const qint64 delay = std::max<qint64>(0, now().msecsTo(when));
    // QTimer counts in int milliseconds; a longer wait is re-planned when the timer fires.
    scheduleTimer_.start(
        static_cast<int>(std::min<qint64>(delay, std::numeric_limits<int>::max())));
}

void UpdaterController::onScheduleTimer() {
    if (now() < nextScheduledCheck_) {
        scheduleAt(nextScheduledCheck_); // the wall clock moved: wait for the planned time
        return;
    }
    if (busy_) {
        // The running check or open dialog re-plans the next check when it ends; a dialog
        // that stays open is retried after the usual interval.
        scheduleAt(now().addMSecs(config_.checkInterval.count()));
        return;
    }
    beginCheck(Origin::Scheduled);
}

void UpdaterController::setBusy(bool busy) {
    busy_ = busy;
    const bool value = feedURL_.isValid() && !busy_;
    if (value != canCheck_) {
        canCheck_ = value;
        emit canCheckChanged(value);
    }
}

void UpdaterController::setUpdateIsWaiting(bool waiting) {
    if (!waiting) {
        waitingItem_.reset();
    }
    if (waiting != updateIsWaiting_) {
        updateIsWaiting_ = waiting;
        emit updateIsWaitingChanged(waiting);
    }
}

} // namespace quillbar
