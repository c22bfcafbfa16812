// The updater against a local feed server: user checks end in a dialog, scheduled checks stay
// silent unless they find an update, and every failure ends the check cleanly.
#include "services/UpdaterController.h"
#include "FeedServer.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <optional>

using namespace quillbar;
using namespace std::chrono_literals;

namespace {

// Records what the updater shows and keeps the pending answer to an update dialog.
struct DriverLog {
    QList<AppcastItem> updatesShown;
    int upToDateShown = 0;
    QList<UpdateCheckError> errorsShown;
    QList<QUrl> pagesOpened;
    std::function<void(UpdateChoice)> pendingReply;

    int dialogs() const {
        return static_cast<int>(updatesShown.size() + errorsShown.size()) + upToDateShown;
    }
};

class RecordingDriver : public UpdateUserDriver {
public:
    explicit RecordingDriver(std::shared_ptr<DriverLog> log)
        : log_(std::move(log)) {}

    void showUpdateFound(const AppcastItem& item, const QString&,
                         std::function<void(UpdateChoice)> reply) override {
        log_->updatesShown.append(item);
        log_->pendingReply = std::move(reply);
    }
    void showUpToDate(const QString&) override { ++log_->upToDateShown; }
    void showError(const UpdateCheckError& error) override { log_->errorsShown.append(error); }
    void openDownloadPage(const QUrl& url) override { log_->pagesOpened.append(url); }

private:
    std::shared_ptr<DriverLog> log_;
};

QSettings settings() {
    return QSettings(QStringLiteral("quillbar"), QStringLiteral("quillbar"));
}

} // namespace

class UpdaterControllerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void withoutFeedNothingCanBeChecked();
    void refusesInsecureFeedFromSettings();
    void userCheckShowsUpdateAndDownloadOpensPage();
    void userCheckWhenUpToDate();
    void skippedVersionSilencesScheduledChecksOnly();
    void scheduledCheckAnnouncesOnceAndUserAttends();
    void scheduledCheckStaysSilentWhenUpToDateOrFailing();
    void failuresEndUserChecksWithError_data();
    void failuresEndUserChecksWithError();
    void followsRedirectWithinLoopback();
    void scheduleHonoursLastCheck();

private:
    std::unique_ptr<UpdaterController> makeController(const QString& feedPath,
                                                      std::chrono::milliseconds firstDelay = 1h);
    void answerPending(UpdateChoice choice);

    std::unique_ptr<test::FeedServer> server_;
    std::shared_ptr<DriverLog> log_;
};

void UpdaterControllerTest::initTestCase() {
    server_ = std::make_unique<test::FeedServer>();
    QVERIFY2(server_->isRunning(), "the feed server did not start");
}

void UpdaterControllerTest::init() {
    settings().clear();
    log_ = std::make_shared<DriverLog>();
}

void UpdaterControllerTest::cleanup() {
    settings().clear();
}

std::unique_ptr<UpdaterController>
UpdaterControllerTest::makeController(const QString& feedPath,
                                      std::chrono::milliseconds firstDelay) {
    UpdaterController::Config config;
    if (!feedPath.isEmpty()) {
        config.buildFeedURL = server_->url(feedPath);
    }
    config.currentVersion = QStringLiteral("1.9");
    config.firstCheckDelay = firstDelay;
    config.limits.timeout = 500ms;
    config.limits.maxBytes = 64 * 1024;
    return std::make_unique<UpdaterController>(config, std::make_unique<RecordingDriver>(log_));
}

void UpdaterControllerTest::answerPending(UpdateChoice choice) {
    QVERIFY(log_->pendingReply);
    auto reply = std::exchange(log_->pendingReply, nullptr);
    reply(choice);
}

void UpdaterControllerTest::withoutFeedNothingCanBeChecked() {
    auto updater = makeController({});
    QVERIFY(!updater->canCheck());
    QVERIFY(updater->feedURL().isEmpty());
    updater->start();
    QVERIFY(!updater->nextScheduledCheck().isValid());
    updater->checkForUpdates();
    QCoreApplication::processEvents();
    QCOMPARE(log_->dialogs(), 0);
    QCOMPARE(updater->commandTitle(), QStringLiteral("Check for Updates…"));
}

void UpdaterControllerTest::refusesInsecureFeedFromSettings() {
    settings().setValue(UpdaterController::kFeedURLKey, "http://example.org/appcast.xml");
    QVERIFY(!makeController("/feeds/newer.xml")->canCheck());

    // A setting that is allowed replaces the build's feed.
    settings().setValue(UpdaterController::kFeedURLKey, server_->url("/feeds/current.xml"));
    auto updater = makeController("/feeds/newer.xml");
    QCOMPARE(updater->feedURL(), server_->url("/feeds/current.xml"));
}

void UpdaterControllerTest::userCheckShowsUpdateAndDownloadOpensPage() {
    auto updater = makeController("/feeds/newer.xml");
    QSignalSpy canCheck(updater.get(), &UpdaterController::canCheckChanged);
    QSignalSpy waiting(updater.get(), &UpdaterController::updateIsWaitingChanged);
    QVERIFY(updater->canCheck());

    updater->checkForUpdates();
    QVERIFY(!updater->canCheck());
    QTRY_COMPARE(log_->updatesShown.size(), 1);
    const AppcastItem shown = log_->updatesShown.first();
    QCOMPARE(shown.version, QStringLiteral("1.10"));
    QCOMPARE(shown.displayVersion(), QStringLiteral("1.10 “Heron”"));
    // The dialog is still open: no second check may start.
    QVERIFY(!updater->canCheck());
    updater->checkForUpdates();

    answerPending(UpdateChoice::Download);
    QCOMPARE(log_->pagesOpened, QList<QUrl>{QUrl("https://example.org/quillbar/1.10")});
    QVERIFY(updater->canCheck());
    QCOMPARE(canCheck.size(), 2);
    QCOMPARE(waiting.size(), 0);
    QCOMPARE(log_->dialogs(), 1);
    QVERIFY(settings().value(UpdaterController::kSkippedVersionKey).isNull());
}

void UpdaterControllerTest::userCheckWhenUpToDate() {
    auto updater = makeController("/feeds/current.xml");
    updater->checkForUpdates();
    QTRY_COMPARE(log_->upToDateShown, 1);
    QCOMPARE(log_->dialogs(), 1);
    QVERIFY(updater->canCheck());
    // The check counts as the day's check: the next scheduled one is a day away.
    const QDateTime last = QDateTime::fromString(
        settings().value(UpdaterController::kLastCheckKey).toString(), Qt::ISODateWithMs);
    QVERIFY(last.isValid());
    QCOMPARE(updater->nextScheduledCheck(), last.addDays(1));
}

void UpdaterControllerTest::skippedVersionSilencesScheduledChecksOnly() {
    {
        auto updater = makeController("/feeds/newer.xml");
        updater->checkForUpdates();
        QTRY_COMPARE(log_->updatesShown.size(), 1);
        answerPending(UpdateChoice::SkipThisVersion);
        QCOMPARE(settings().value(UpdaterController::kSkippedVersionKey).toString(),
                 QStringLiteral("1.10"));
        QVERIFY(log_->pagesOpened.isEmpty());
    }
    settings().remove(UpdaterController::kLastCheckKey);
    auto updater = makeController("/feeds/newer.xml", 0ms);
    QSignalSpy attention(updater.get(), &UpdaterController::attentionRequested);
    updater->start();
    // The scheduled check has run once it recorded its time.
    QTRY_VERIFY(settings().contains(UpdaterController::kLastCheckKey));
    QTRY_VERIFY(updater->canCheck());
    QVERIFY(!updater->updateIsWaiting());
    QCOMPARE(attention.size(), 0);
    QCOMPARE(log_->dialogs(), 1);

    // Asked directly, the user still sees the skipped version.
    updater->checkForUpdates();
    QTRY_COMPARE(log_->updatesShown.size(), 2);
    answerPending(UpdateChoice::RemindMeLater);
    QVERIFY(updater->canCheck());
}

void UpdaterControllerTest::scheduledCheckAnnouncesOnceAndUserAttends() {
    auto updater = makeController("/feeds/newer.xml", 0ms);
    QSignalSpy attention(updater.get(), &UpdaterController::attentionRequested);
    QSignalSpy waiting(updater.get(), &UpdaterController::updateIsWaitingChanged);
    updater->start();

    QTRY_VERIFY(updater->updateIsWaiting());
    QCOMPARE(updater->commandTitle(), QStringLiteral("Update Available…"));
    QVERIFY(updater->canCheck());
    QCOMPARE(attention.size(), 1);
    QVERIFY(attention.first().at(1).toString().contains(QStringLiteral("1.10 “Heron”")));
    QCOMPARE(log_->dialogs(), 0); // silent apart from the tray message

    // Choosing the command shows the waiting update at once, without another fetch.
    updater->checkForUpdates();
    QCOMPARE(log_->updatesShown.size(), 1);
    QCOMPARE(log_->updatesShown.first().version, QStringLiteral("1.10"));
    QVERIFY(!updater->updateIsWaiting());
    QCOMPARE(updater->commandTitle(), QStringLiteral("Check for Updates…"));
    QCOMPARE(waiting.size(), 2);
    answerPending(UpdateChoice::RemindMeLater);
    QVERIFY(updater->canCheck());
    QCOMPARE(attention.size(), 1);
}

void UpdaterControllerTest::scheduledCheckStaysSilentWhenUpToDateOrFailing() {
    for (const QString path : {"/feeds/current.xml", "/feeds/malformed.xml", "/stall"}) {
        settings().remove(UpdaterController::kLastCheckKey);
        auto updater = makeController(path, 0ms);
        QSignalSpy attention(updater.get(), &UpdaterController::attentionRequested);
        updater->start();
        QTRY_VERIFY(settings().contains(UpdaterController::kLastCheckKey));
        QVERIFY2(updater->canCheck(), qPrintable(path));
        QVERIFY(!updater->updateIsWaiting());
        QCOMPARE(attention.size(), 0);
        QCOMPARE(log_->dialogs(), 0);
    }
}

void UpdaterControllerTest::failuresEndUserChecksWithError_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("kindNumber");
    QTest::newRow("malformed XML")
        << "/feeds/malformed.xml" << int(UpdateCheckError::Kind::Malformed);
    QTest::newRow("never answers") << "/stall" << int(UpdateCheckError::Kind::Timeout);
    QTest::newRow("redirect to http")
        << "/redirect-http" << int(UpdateCheckError::Kind::InsecureRedirect);
    QTest::newRow("too large") << "/huge" << int(UpdateCheckError::Kind::TooLarge);
    QTest::newRow("not found") << "/feeds/absent.xml" << int(UpdateCheckError::Kind::Network);
}

void UpdaterControllerTest::failuresEndUserChecksWithError() {
    QFETCH(QString, path);
    QFETCH(int, kindNumber);
    const auto kind = static_cast<UpdateCheckError::Kind>(kindNumber);
    auto updater = makeController(path);
    updater->checkForUpdates();
    QTRY_COMPARE(log_->errorsShown.size(), 1);
    QCOMPARE(log_->errorsShown.first().kind, kind);
    QVERIFY(!log_->errorsShown.first().message.isEmpty());
    QCOMPARE(log_->dialogs(), 1);
    QVERIFY(updater->canCheck());
    QVERIFY(!updater->updateIsWaiting());
    if (kind == UpdateCheckError::Kind::InsecureRedirect) {
        QVERIFY(log_->errorsShown.first().message.contains(QStringLiteral("http://192.0.2.1")));
    }
}

void UpdaterControllerTest::followsRedirectWithinLoopback() {
    auto updater = makeController("/redirect-local");
    updater->checkForUpdates();
    QTRY_COMPARE(log_->dialogs(), 1);
    QCOMPARE(log_->updatesShown.size(), 1);
    answerPending(UpdateChoice::RemindMeLater);
}

void UpdaterControllerTest::scheduleHonoursLastCheck() {
    const QDateTime before = QDateTime::currentDateTimeUtc();
    auto fresh = makeController("/feeds/current.xml", 1min);
    fresh->start();
    QVERIFY(fresh->nextScheduledCheck() >= before.addSecs(60));
    QVERIFY(fresh->nextScheduledCheck() <= QDateTime::currentDateTimeUtc().addSecs(60));

    // A restart an hour after the last check waits for the rest of the day.
    const QDateTime last = before.addSecs(-3600);
    settings().setValue(UpdaterController::kLastCheckKey, last.toString(Qt::ISODateWithMs));
    auto restarted = makeController("/feeds/current.xml", 1min);
    restarted->start();
    QCOMPARE(restarted->nextScheduledCheck(), last.addDays(1));

    // A last check long ago still waits the first minute.
    settings().setValue(UpdaterController::kLastCheckKey,
                        before.addDays(-3).toString(Qt::ISODateWithMs));
    auto late = makeController("/feeds/current.xml", 1min);
    late->start();
    QVERIFY(late->nextScheduledCheck() >= before.addSecs(60));

    // A last check in the future (clock set back) does not postpone checks beyond a day.
    settings().setValue(UpdaterController::kLastCheckKey,
                        before.addDays(30).toString(Qt::ISODateWithMs));
    auto future = makeController("/feeds/current.xml", 1min);
    future->start();
    QVERIFY(future->nextScheduledCheck() <= QDateTime::currentDateTimeUtc().addDays(1));
    QCOMPARE(log_->dialogs(), 0);
}

QObject* newUpdaterControllerTest() {
    return new UpdaterControllerTest;
}

#include "UpdaterControllerTest.moc"
