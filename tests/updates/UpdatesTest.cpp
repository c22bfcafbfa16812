// SPDX-License-Identifier: GPL-3.0-or-later
// The updater's parts and message boxes (offscreen), and its controller against a feed server
// inside the test: user checks end in a dialog, scheduled ones are silent unless they find one.
#include "services/AppcastParser.h"
#include "services/UpdateFeedAddress.h"
#include "services/UpdateMessageBoxDriver.h"
#include "services/UpdateVersion.h"
#include "services/UpdaterController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <optional>

using namespace quillbar;
using namespace std::chrono_literals;

namespace {

// Records what the updater shows and keeps the pending answer to an update dialog.
struct RecordingDriver : UpdateUserDriver {
    QList<AppcastItem> updatesShown;
    int upToDateShown = 0;
    QList<UpdateCheckError> errorsShown;
    QList<QUrl> pagesOpened;
    std::function<void(UpdateChoice)> pendingReply;

    int dialogs() const { return int(updatesShown.size() + errorsShown.size()) + upToDateShown; }
    void showUpdateFound(const AppcastItem& item, const QString&,
                         std::function<void(UpdateChoice)> reply) override {
        updatesShown.append(item);
        pendingReply = std::move(reply);
    }
    void showUpToDate(const QString&) override { ++upToDateShown; }
    void showError(const UpdateCheckError& error) override { errorsShown.append(error); }
    void openDownloadPage(const QUrl& url) override { pagesOpened.append(url); }
};

// Takes the place of the desktop's opener for the schemes a feed might try.
class BrowserSpy : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kSchemes[] = {"https", "javascript"};
    QList<QUrl> opened;
    BrowserSpy() {
        std::ranges::for_each(kSchemes,
                              [this](auto s) { QDesktopServices::setUrlHandler(s, this, "open"); });
    }
    ~BrowserSpy() override { std::ranges::for_each(kSchemes, QDesktopServices::unsetUrlHandler); }
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

QByteArray answer(const QByteArray& status, const QByteArray& body, const QByteArray& more = {}) {
    return "HTTP/1.1 " + status +
           "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" +
           more + "\r\n" + body;
}

const QByteArray rss =
    R"(<rss xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">)";
// The newest item neither first nor last, an item without a version, both ways of giving the
// version, and elements of another namespace.
const QByteArray feed = R"(<?xml version="1.0"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"
     xmlns:other="urn:other">
 <channel><title>Quillbar</title>
  <item><title>News without a version</title><link>https://example.org/news</link></item>
  <item><sparkle:version>1.8</sparkle:version></item>
  <item>
   <title>Quillbar 1.10</title>
   <other:version>9.9</other:version>
   <other:nested><sparkle:version>8.8</sparkle:version></other:nested>
   <sparkle:version>1.10</sparkle:version>
   <sparkle:shortVersionString>1.10 “Heron”</sparkle:shortVersionString>
   <sparkle:releaseNotesLink>https://example.org/notes/1.10</sparkle:releaseNotesLink>
   <link>https://example.org/quillbar/1.10</link>
   <description><![CDATA[<p>Faster</p>]]></description>
   <enclosure url="https://example.org/quillbar-1.10.deb" length="1"/>
  </item>
  <item><enclosure url="https://example.org/quillbar-1.9.5.deb" sparkle:version="1.9.5"/></item>
 </channel>
</rss>)";

// Answers each request with the reply kept for its path, then closes; other paths never answer.
class FeedServer : public QTcpServer {
public:
    QHash<QByteArray, QByteArray> replies = {
        {"/newer", answer("200 OK", feed)},
        {"/current", answer("200 OK", rss + "<channel><item><sparkle:version>1.9</sparkle:version>"
                                            "</item></channel></rss>")},
        {"/malformed", answer("200 OK", "<rss><channel><item><link>x</item></channel>")},
        {"/redirect-http", answer("302 Found", {}, "Location: http://192.0.2.1/newer\r\n")},
        {"/redirect-local", answer("302 Found", {}, "Location: /newer\r\n")},
        {"/absent", answer("404 Not Found", "not found")},
        // No length announced: the client has to count while reading.
        {"/huge", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n<rss>" + QByteArray(1 << 20, ' ')}};

    FeedServer() {
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                if (!socket->canReadLine())
                    return;
                QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
                const QByteArray path = socket->readLine().split(' ').value(1);
                if (replies.contains(path)) {
                    socket->write(replies[path]);
                    socket->disconnectFromHost();
                }
            });
        });
        listen(QHostAddress::LocalHost);
    }
    QUrl url(const QString& path) const {
        return QUrl(QString("http://127.0.0.1:%1%2").arg(serverPort()).arg(path));
    }
};

QSettings settings() {
    return QSettings("quillbar", "quillbar");
}

QDateTime lastCheck() {
    return QDateTime::fromString(settings().value(UpdaterController::kLastCheckKey).toString(),
                                 Qt::ISODateWithMs);
}

// The one message box on screen, if there is exactly one.
QMessageBox* shownBox() {
    QList<QMessageBox*> shown;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            shown << box;
    return shown.size() == 1 ? shown.front() : nullptr;
}

class UpdatesTest : public QObject {
    Q_OBJECT

    QTemporaryDir settingsHome_;
    FeedServer server_;
    RecordingDriver* log_ = nullptr; // the latest controller's

    // A controller on the server's path (none for an empty path) that records what it shows.
    std::unique_ptr<UpdaterController>
    makeController(const QString& path, std::chrono::milliseconds firstDelay = 1h,
                   const QString& module = QUILLBAR_FEED_MODULE) {
        const UpdaterController::Config config{path.isEmpty() ? QUrl() : server_.url(path),
                                               "1.9",
                                               firstDelay,
                                               24h,
                                               {500ms, 64 << 10},
                                               module};
        auto driver = std::make_unique<RecordingDriver>();
        log_ = driver.get();
        return std::make_unique<UpdaterController>(config, std::move(driver));
    }

private slots:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsHome_.path());
        QVERIFY(server_.isListening());
    }
    void init() { settings().clear(); }

    void versionsCompareByNumbers() {
        // Pre-releases come before the release; numbers may exceed 64 bits.
        const std::tuple<QString, QString, int> cases[] = {
            {"1.9", "1.10", -1},
            {"1.99.99", "2", -1},
            {"1.2", "1.2.1", -1},
            {"1.2b1", "1.2", -1},
            {"1.2b1", "1.2b2", -1},
            {"1.2", "1.2.0", 0},
            {"1.02", "1.2", 0},
            {" 0.1.0 ", "0.1.0", 0},
            {"1." + QString(20, '9') + "8", "1." + QString(20, '9') + "9", -1}};
        for (const auto& [a, b, sign] : cases) {
            QVERIFY2(std::clamp(UpdateVersion::compare(a, b), -1, 1) == sign, qPrintable(b));
            QVERIFY2(std::clamp(UpdateVersion::compare(b, a), -1, 1) == -sign, qPrintable(b));
        }
    }

    void parsesElementAndEnclosureForms() {
        QString error;
        const auto items = AppcastParser::parse(feed, error);
        QVERIFY2(items, qPrintable(error));
        // The page is preferred to the file: Quillbar never downloads, the browser shows the page.
        QCOMPARE(
            *items,
            (QList<AppcastItem>{
                {{}, "1.8", {}, {}, {}, {}},
                {"Quillbar 1.10", "1.10", "1.10 “Heron”", QUrl("https://example.org/quillbar/1.10"),
                 "<p>Faster</p>", QUrl("https://example.org/notes/1.10")},
                {{}, "1.9.5", {}, QUrl("https://example.org/quillbar-1.9.5.deb"), {}, {}}}));
    }

    void rejectsBrokenDocuments() {
        for (const QByteArray document :
             {"", "<html><body>Not found", "<feed><entry/></feed>",
              "<rss><channel><item><title>x</title></channel></rss>",
              "<rss><channel><item><sparkle:version>2</sparkle:version></item></channel></rss>",
              "<rss><channel/></rss><rss/>"}) {
            QString error;
            QVERIFY2(!AppcastParser::parse(document, error), document.constData());
            QVERIFY(!error.isEmpty());
        }
    }

    // Nesting is bounded in text that is kept and in skipped elements; within it, text is kept.
    void deepFeedsAreRefusedNotRecursedInto() {
        const auto nested = [](int depth, const QByteArray& where) {
            return rss + "<channel><item><sparkle:version>2</sparkle:version><" + where + ">" +
                   QByteArray("<a>").repeated(depth) + "x" + QByteArray("</a>").repeated(depth) +
                   "</" + where + "></item></channel></rss>";
        };
        for (const QByteArray& where : {QByteArray("description"), QByteArray("unknown")}) {
            QString error;
            QVERIFY(!AppcastParser::parse(nested(100'000, where), error));
            QVERIFY2(error.contains("more than 64 deep"), qPrintable(error));
            // rss, channel, item, the element and 60 of <a>: 64 in all.
            const auto items = AppcastParser::parse(nested(60, where), error);
            QVERIFY2(items && items->size() == 1, qPrintable(error));
            QCOMPARE(items->front().releaseNotes, where == "description" ? "x" : "");
            QVERIFY(!AppcastParser::parse(nested(61, where), error));
        }
    }

    void allowsOnlySecureOrLoopbackAddresses() {
        for (const char* allowed :
             {"https://example.org/a.xml", "HTTPS://example.org/a.xml", "http://127.5.6.7/a.xml",
              "http://[::1]:8000/a.xml", "http://localhost/a.xml"})
            QVERIFY2(UpdateFeedAddress::isAllowed(QUrl(allowed)), allowed);
        for (const char* refused :
             {"http://example.org/a.xml", "http://localhost.example.org/a.xml",
              "http://128.0.0.1/a", "ftp://example.org/a.xml", "file:///etc/passwd",
              "https:///a.xml", ""})
            QVERIFY2(!UpdateFeedAddress::isAllowed(QUrl(refused)), refused);
    }

    void messageBoxesMapButtonsAndSayWhatHappened() {
        const AppcastItem item{{}, "1.10", {}, QUrl("https://example.org/1.10"), {}, {}};
        UpdateMessageBoxDriver driver;
        for (const auto& [text, choice] :
             {std::pair{"Download", UpdateChoice::Download},
              std::pair{"Skip This Version", UpdateChoice::SkipThisVersion},
              std::pair{"Remind Me Later", UpdateChoice::RemindMeLater}}) {
            std::vector<UpdateChoice> replies;
            driver.showUpdateFound(item, "1.9", [&](UpdateChoice c) { replies.push_back(c); });
            QVERIFY(shownBox());
            for (QAbstractButton* button : shownBox()->buttons())
                if (button->text() == text)
                    button->click();
            QCOMPARE(replies, std::vector{choice});
            QTRY_VERIFY(!shownBox()); // closed and deleted
        }

        // Feed text is never markup; an address that may not be opened is only shown, and the
        // dialog offers no "Download" (Enter means "Remind Me Later").
        const AppcastItem hostile{{},
                                  "2",
                                  "<a href='https://x.org'><img src='file:///etc/hosts'>2</a>",
                                  QUrl("javascript:alert(1)"),
                                  "<p>Notes<img src='file:///etc/hosts'></p>",
                                  {}};
        std::vector<UpdateChoice> replies;
        driver.showUpdateFound(hostile, "1.9", [&](UpdateChoice c) { replies.push_back(c); });
        QMessageBox* box = shownBox();
        QVERIFY(box);
        for (const QLabel* label : box->findChildren<QLabel*>())
            QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY(box->informativeText().contains(hostile.shortVersion));
        QCOMPARE(box->detailedText(), QStringLiteral("Notes"));
        QCOMPARE(box->defaultButton()->text(), "Remind Me Later");
        for (QAbstractButton* button : box->buttons())
            QVERIFY(button->text() != "Download");
        box->defaultButton()->click();
        QCOMPARE(replies, std::vector{UpdateChoice::RemindMeLater});
        QTRY_VERIFY(!shownBox());

        // The last gate before the desktop's opener lets only web pages through.
        BrowserSpy browser;
        for (const char* page : {"javascript:alert(1)", "https://example.org/1.10"})
            driver.openDownloadPage(QUrl(page));
        QCOMPARE(browser.opened, QList<QUrl>{QUrl("https://example.org/1.10")});
    }

    void feedComesFromTheBuildOrAnAllowedSetting() {
        auto none = makeController({});
        none->start();
        none->checkForUpdates();
        QVERIFY(!none->canCheck() && !none->nextScheduledCheck().isValid());
        QCOMPARE(log_->dialogs(), 0);

        settings().setValue(UpdaterController::kFeedURLKey, "http://example.org/appcast.xml");
        QVERIFY(!makeController("/newer")->canCheck());
        settings().setValue(UpdaterController::kFeedURLKey, server_.url("/current"));
        QCOMPARE(makeController("/newer")->feedURL(), server_.url("/current"));
    }

    void scheduledCheckAnnouncesOnceUntilSkipped() {
        auto updater = makeController("/newer", 0ms);
        QSignalSpy attention(updater.get(), &UpdaterController::attentionRequested);
        QSignalSpy waiting(updater.get(), &UpdaterController::updateIsWaitingChanged);
        updater->start();
        QTRY_VERIFY(updater->updateIsWaiting());
        QVERIFY(updater->canCheck());
        QCOMPARE(attention.size(), 1);
        QVERIFY(attention.first().at(1).toString().contains(QStringLiteral("1.10 “Heron”")));
        QCOMPARE(log_->dialogs(), 0); // silent apart from the tray message

        // Choosing the command shows the waiting update at once, without another fetch.
        updater->checkForUpdates();
        QCOMPARE(log_->updatesShown.size(), 1);
        QVERIFY(!updater->updateIsWaiting());
        QCOMPARE(waiting.size(), 2);
        log_->pendingReply(UpdateChoice::SkipThisVersion);
        QVERIFY(updater->canCheck());
        QCOMPARE(settings().value(UpdaterController::kSkippedVersionKey).toString(), "1.10");

        // The skipped version no longer announces itself; asked directly, the user still sees it.
        settings().remove(UpdaterController::kLastCheckKey);
        auto later = makeController("/newer", 0ms);
        QSignalSpy quiet(later.get(), &UpdaterController::attentionRequested);
        later->start();
        QTRY_VERIFY(lastCheck().isValid() && later->canCheck());
        QVERIFY(!later->updateIsWaiting() && quiet.isEmpty());
        later->checkForUpdates();
        QVERIFY(!later->canCheck());
        QTRY_COMPARE(log_->updatesShown.size(), 1);
        QCOMPARE(log_->updatesShown.first().displayVersion(), QStringLiteral("1.10 “Heron”"));
        later->checkForUpdates(); // the dialog is still open: no second check may start
        QVERIFY(!later->canCheck());
        log_->pendingReply(UpdateChoice::Download);
        QCOMPARE(log_->pagesOpened, QList<QUrl>{QUrl("https://example.org/quillbar/1.10")});
        QVERIFY(later->canCheck());
        QCOMPARE(log_->dialogs(), 1);
    }

    // The tray message carries no markup from the feed (the notification server may read it), and
    // "Download" hands the feed's address to the browser only when it is a web page.
    void feedMarkupAndAddressesAreNotTrusted() {
        server_.replies["/link"] = answer(
            "200 OK", rss + "<channel><item><sparkle:version>2</sparkle:version><link>file:///etc/"
                            "passwd</link><sparkle:shortVersionString>&lt;a href='file:///etc'&gt;"
                            "2&lt;/a&gt;</sparkle:shortVersionString></item></channel></rss>");
        auto updater = makeController("/link", 0ms);
        QSignalSpy attention(updater.get(), &UpdaterController::attentionRequested);
        updater->start();
        QTRY_COMPARE(attention.size(), 1);
        const QString message = attention.first().at(1).toString();
        QVERIFY2(message.contains("a href='file:///etc'2/a") && !message.contains('<') &&
                     !message.contains('>'),
                 qPrintable(message));
        updater->checkForUpdates(); // shows the waiting update
        QCOMPARE(log_->updatesShown.first().downloadURL, QUrl("file:///etc/passwd"));
        log_->pendingReply(UpdateChoice::Download);
        QVERIFY(log_->pagesOpened.isEmpty() && updater->canCheck());
    }

    // Scheduled checks that find nothing stay silent; user checks end in a dialog. Either way
    // the check counts as the day's: the next scheduled one is a day away.
    void checksWithoutUpdateEndCleanly() {
        using Kind = UpdateCheckError::Kind;
        const std::pair<QString, std::optional<Kind>> cases[] = {
            {"/current", std::nullopt}, {"/malformed", Kind::Malformed},
            {"/stall", Kind::Timeout},  {"/redirect-http", Kind::InsecureRedirect},
            {"/huge", Kind::TooLarge},  {"/absent", Kind::Network}};
        for (const auto& [path, kind] : cases) {
            settings().clear();
            auto scheduled = makeController(path, 0ms);
            QSignalSpy attention(scheduled.get(), &UpdaterController::attentionRequested);
            scheduled->start();
            QTRY_VERIFY2(lastCheck().isValid() && scheduled->canCheck(), qPrintable(path));
            QVERIFY(!scheduled->updateIsWaiting() && attention.isEmpty() && !log_->dialogs());

            auto user = makeController(path);
            user->checkForUpdates();
            QTRY_COMPARE(log_->dialogs(), 1);
            QVERIFY2(user->canCheck() && !user->updateIsWaiting(), qPrintable(path));
            QCOMPARE(user->nextScheduledCheck(), lastCheck().addDays(1));
            QCOMPARE(log_->upToDateShown, kind ? 0 : 1);
            if (kind) {
                QCOMPARE(log_->errorsShown.first().kind, *kind);
                const QString message = log_->errorsShown.first().message;
                QVERIFY(*kind == Kind::InsecureRedirect ? message.contains("http://192.0.2.1")
                                                        : !message.isEmpty());
            }
        }
        // A redirect that stays on this machine is followed.
        auto updater = makeController("/redirect-local");
        updater->checkForUpdates();
        QTRY_COMPARE(log_->updatesShown.size(), 1);
    }

    // The fetch is a module loaded on the first check: without it a check ends in an error that
    // says so, and the next one tries again.
    void aMissingFetchModuleEndsTheCheckWithAnError() {
        auto updater = makeController("/current", 1h, settingsHome_.filePath("absent.so"));
        updater->checkForUpdates();
        QTRY_COMPARE(log_->errorsShown.size(), 1);
        QCOMPARE(log_->errorsShown.first().kind, UpdateCheckError::Kind::Network);
        QVERIFY2(log_->errorsShown.first().message.contains("absent.so"),
                 qPrintable(log_->errorsShown.first().message));
        QVERIFY(updater->canCheck());
        updater->checkForUpdates();
        QTRY_COMPARE(log_->errorsShown.size(), 2);
    }

    void scheduleHonoursLastCheck() {
        const QDateTime before = QDateTime::currentDateTimeUtc();
        const auto nextWithLastCheck = [&](const QDateTime& last) {
            settings().setValue(UpdaterController::kLastCheckKey, last.toString(Qt::ISODateWithMs));
            auto updater = makeController("/current", 1min);
            updater->start();
            return updater->nextScheduledCheck();
        };
        // Without a last check, or one long ago, the first check is a minute away.
        for (const QDateTime& last : {QDateTime(), before.addDays(-3)}) {
            const QDateTime next = nextWithLastCheck(last);
            QVERIFY(next >= before.addSecs(60) && next <= before.addSecs(60).addMSecs(500));
        }
        // A restart an hour after the last check waits for the rest of the day.
        QCOMPARE(nextWithLastCheck(before.addSecs(-3600)), before.addSecs(-3600).addDays(1));
        // A last check in the future (clock set back) does not postpone checks beyond a day.
        QVERIFY(nextWithLastCheck(before.addDays(30)) <= before.addDays(1).addMSecs(500));
    }
};

} // namespace

QTEST_MAIN(UpdatesTest)
#include "UpdatesTest.moc"
