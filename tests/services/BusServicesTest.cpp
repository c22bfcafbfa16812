// SPDX-License-Identifier: GPL-3.0-or-later
// On a private session bus (dbus-run-session), each party on a connection of its own, as separate
// processes would be; this thread's loop serves them, so callers wait by running it.
#include "BusStandIn.h"
#include "platform/NotificationCenter.h"
#include "services/BusObject.h"
#include "services/BusWait.h"
#include "services/DebugRequests.h"
#include "services/SessionEvents.h"
#include "services/SingleInstance.h"
#include "services/TitleExporter.h"
#include "services/TitleQuery.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <vector>

namespace quillbar {
namespace {

using test::busParty;

// The title served on bus as the application serves it; the exporter lives as long as the object.
struct TitleObject {
    TitleObject(const QDBusConnection& bus, const QString& title)
        : object(std::make_unique<BusObject>(bus, TitleExporter::kPath))
        , exporter(new TitleExporter(*object, title)) {
        EXPECT_TRUE(object->serve());
    }
    std::unique_ptr<BusObject> object;
    TitleExporter* exporter;
};

// Claims and waits for the outcome: true when the name was taken.
bool claimed(SingleInstance& instance) {
    QSignalSpy taken(&instance, &SingleInstance::claimed);
    QSignalSpy held(&instance, &SingleInstance::held);
    QSignalSpy unavailable(&instance, &SingleInstance::unavailable);
    instance.claim();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return taken.count() + held.count() + unavailable.count() > 0; }, 5000));
    return taken.count() == 1 && instance.holdsName();
}

// Waits for the one previousGone and gives whether the previous instance left.
bool previousLeft(SingleInstance& instance, std::chrono::milliseconds limit) {
    QSignalSpy gone(&instance, &SingleInstance::previousGone);
    instance.awaitPrevious(limit);
    EXPECT_TRUE(QTest::qWaitFor([&] { return gone.count() == 1; }, 10000));
    return gone.value(0).value(0).toBool();
}

TEST(BusServicesTest, TheNewestInstanceTakesTheNameAndTheOlderOneIsToldWhoDid) {
    SingleInstance first(busParty(), "org.quillbar.Test");
    SingleInstance second(busParty(), "org.quillbar.Test");
    SingleInstance other(busParty(), "org.quillbar.Other");
    QSignalSpy firstReplaced(&first, &SingleInstance::replaced);
    QSignalSpy otherReplaced(&other, &SingleInstance::replaced);
    ASSERT_TRUE(claimed(first));
    ASSERT_TRUE(claimed(other));
    ASSERT_TRUE(claimed(second));
    EXPECT_TRUE(second.replacedAnother());
    // The taker is this very program (the parties share its process): another Quillbar.
    ASSERT_TRUE(QTest::qWaitFor([&] { return firstReplaced.count() == 1; }, 5000));
    EXPECT_TRUE(firstReplaced[0][0].toString().contains(
        QStringLiteral("process %1").arg(QCoreApplication::applicationPid())));
    EXPECT_TRUE(second.holdsName() && !first.holdsName());
    EXPECT_TRUE(other.holdsName() && otherReplaced.isEmpty()); // another identifier: left alone

    // Only programs of the same name count as Quillbar, an upgraded one included.
    EXPECT_TRUE(SingleInstance::isSameProgram("/usr/bin/quillbar (deleted)", "/opt/q/quillbar"));
    EXPECT_FALSE(SingleInstance::isSameProgram("/usr/bin/python3", "/usr/bin/quillbar"));
    EXPECT_FALSE(SingleInstance::isSameProgram("", ""));
}

TEST(BusServicesTest, ANameHeldBySomethingElseIsReportedAndAskedForAgain) {
    QDBusConnection squatter = busParty();
    ASSERT_TRUE(squatter.registerService("org.quillbar.Held"));
    SingleInstance instance(busParty(), "org.quillbar.Held");
    QSignalSpy held(&instance, &SingleInstance::held);
    QSignalSpy taken(&instance, &SingleInstance::claimed);
    instance.claim();
    ASSERT_TRUE(QTest::qWaitFor([&] { return held.count() == 1; }, 5000));
    EXPECT_TRUE(held[0][0].toString().contains(squatter.baseService()));
    EXPECT_FALSE(instance.holdsName());
    squatter.unregisterService("org.quillbar.Held");
    ASSERT_TRUE(QTest::qWaitFor([&] { return taken.count() == 1; }, 5000));
    EXPECT_TRUE(instance.holdsName() && !instance.replacedAnother());
}

// Another program: takes the name argv[1] by replacing its holder, prints the bus's answer and
// holds it until its input closes; with "fight" it takes the name back each time it loses it.
constexpr const char* kImpostor = R"py(
import sys
from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
flags = 3 if len(sys.argv) > 2 else 2
def take(*_):
    reply = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                          "RequestName", GLib.Variant("(su)", (sys.argv[1], flags)), None, 0, 5000,
                          None)
    print(reply.unpack()[0], flush=True)
bus.signal_subscribe("org.freedesktop.DBus", "org.freedesktop.DBus", "NameLost",
                     "/org/freedesktop/DBus", sys.argv[1], Gio.DBusSignalFlags.NONE, take)
take()
loop = GLib.MainLoop()
GLib.unix_fd_add_full(0, 0, GLib.IOCondition.IN | GLib.IOCondition.HUP, lambda *_: loop.quit())
loop.run()
)py";

// Starts the impostor and waits until it holds the name.
bool impostorTook(QProcess& impostor, const QStringList& arguments) {
    impostor.start("/usr/bin/python3", QStringList{"-c", kImpostor} + arguments);
    QByteArray answer;
    const bool answered = QTest::qWaitFor(
        [&] { return (answer += impostor.readAllStandardOutput()).contains('\n'); }, 10000);
    EXPECT_TRUE(answered) << impostor.readAllStandardError().toStdString();
    return answered && answer.startsWith("1\n"); // the primary owner now
}

// A taker is reported with its process and outlasted, never obeyed; one that keeps taking the
// name back is asked less and less often, not fought every second.
TEST(BusServicesTest, AnotherProgramTakingTheNameIsReportedAndOutlasted) {
    const QString name = QStringLiteral("org.quillbar.Impostor");
    SingleInstance instance(busParty(), name);
    QSignalSpy lost(&instance, &SingleInstance::lost);
    QSignalSpy replaced(&instance, &SingleInstance::replaced);
    QSignalSpy taken(&instance, &SingleInstance::claimed);
    ASSERT_TRUE(claimed(instance));
    QProcess impostor;
    ASSERT_TRUE(impostorTook(impostor, {name}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lost.count() == 1; }, 5000));
    const QString taker = lost[0][0].toString();
    EXPECT_TRUE(taker.contains("python")) << taker.toStdString();
    EXPECT_TRUE(taker.contains(QStringLiteral("process %1").arg(impostor.processId())));
    EXPECT_FALSE(instance.holdsName());
    impostor.closeWriteChannel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return taken.count() == 2; }, 10000));
    EXPECT_TRUE(instance.holdsName() && replaced.isEmpty());
    EXPECT_EQ(lost.count(), 1);
    impostor.waitForFinished(5000);

    const QString fought = QStringLiteral("org.quillbar.Fought");
    SingleInstance fighting(busParty(), fought);
    ASSERT_TRUE(claimed(fighting));
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> claims;
    QObject::connect(&fighting, &SingleInstance::claimed,
                     [&] { claims.push_back(clock.elapsed()); });
    QSignalSpy fightingReplaced(&fighting, &SingleInstance::replaced);
    QProcess fighter;
    ASSERT_TRUE(impostorTook(fighter, {fought, "fight"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return claims.size() == 2; }, 15000));
    // The second pause is the first one doubled.
    EXPECT_GE(claims[1] - claims[0], SingleInstance::kFirstRetry.count() * 3 / 2);
    EXPECT_TRUE(fightingReplaced.isEmpty());
    fighter.closeWriteChannel();
    fighter.waitForFinished(5000);
}

// Only once the replaced instance has left the bus may the new one read what it saved; with none
// the answer comes at once, with one that never leaves at the limit.
TEST(BusServicesTest, TheNewInstanceWaitsUntilTheOneItReplacedHasLeft) {
    const QString name = QStringLiteral("org.quillbar.Waiting");
    SingleInstance alone(busParty(), name);
    ASSERT_TRUE(claimed(alone));
    EXPECT_TRUE(previousLeft(alone, std::chrono::seconds(5)));

    QString olderConnection;
    auto older = std::make_unique<SingleInstance>(busParty(&olderConnection), name);
    ASSERT_TRUE(claimed(*older));
    SingleInstance newer(busParty(), name);
    QSignalSpy newerGone(&newer, &SingleInstance::previousGone);
    ASSERT_TRUE(claimed(newer));
    newer.awaitPrevious(std::chrono::seconds(20));
    // A few turns of the loop, in which an answer for "nobody before" would come: nothing yet.
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents();
    EXPECT_EQ(newerGone.count(), 0);
    older.reset();
    QDBusConnection::disconnectFromBus(olderConnection);
    EXPECT_TRUE(QTest::qWaitFor([&] { return newerGone.count() == 1; }, 10000));
    EXPECT_EQ(newerGone.value(0).value(0).toBool(), true);

    SingleInstance newest(busParty(), name); // replaces newer, which stays on the bus
    ASSERT_TRUE(claimed(newest));
    EXPECT_FALSE(previousLeft(newest, std::chrono::milliseconds(100)));
}

TEST(BusServicesTest, DebugRequestsAreMergedWhileOneWaitsAndBadOnesAreRefused) {
    std::vector<std::string> received;
    QDBusConnection instance = busParty();
    // Deliveries an hour apart: everything after the first waits for deliverPending().
    DebugRequests listener(
        instance,
        [&](const std::string& name, const std::optional<std::string>& object) {
            received.push_back(name + " " + object.value_or("-")); // "-" for no object
        },
        [](const QString& desktop) {
            return desktop == "9" ? QStringLiteral("no desktop 9") : QString();
        },
        std::chrono::hours(1));
    ASSERT_TRUE(instance.registerService("org.quillbar.Debug"));
    const std::string switchTo = NotificationCenter::kDebugSwitchTo;
    const std::string settings = NotificationCenter::kDebugSettings + std::string(" -");

    QDBusConnection client = busParty();
    ASSERT_EQ(DebugRequests::settings(client, "org.quillbar.Debug").outcome,
              DebugRequests::Outcome::Delivered);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 1; }, 5000));
    // A flood of requests, as methods and as broadcast signals, waits as one of each kind.
    const auto broadcast = [&](const QVariant& desktop) {
        client.send(
            QDBusMessage::createSignal(DebugRequests::kPath, DebugRequests::kInterface, "switchTo")
            << desktop);
    };
    std::vector<std::unique_ptr<QDBusPendingCallWatcher>> calls;
    int answered = 0;
    const auto callAsync = [&](const QString& method, const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            "org.quillbar.Debug", DebugRequests::kObjectPath, DebugRequests::kInterface, method);
        message.setArguments(arguments);
        calls.push_back(std::make_unique<QDBusPendingCallWatcher>(client.asyncCall(message)));
        QObject::connect(calls.back().get(), &QDBusPendingCallWatcher::finished,
                         [&] { ++answered; });
    };
    broadcast(QString("7"));
    for (int i = 0; i < 10000; ++i) {
        callAsync("settings", {});
    }
    for (const char* desktop : {"2", "3", "+4"}) {
        callAsync("switchTo", {QString(desktop)});
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return answered == 10003; }, 60000));
    EXPECT_TRUE(listener.isPending());
    EXPECT_EQ(received.size(), 1u);
    listener.deliverPending();
    EXPECT_EQ(received, (std::vector<std::string>{settings, switchTo + " +4", settings}));
    EXPECT_FALSE(listener.isPending());

    // What is not a desktop number is refused, its echo cut, or dropped when it is a signal.
    const auto refusal = [&](const QString& desktop) {
        const DebugRequests::Reply reply =
            DebugRequests::switchTo(client, "org.quillbar.Debug", desktop);
        EXPECT_EQ(reply.outcome, DebugRequests::Outcome::Refused) << desktop.toStdString();
        return reply.message;
    };
    EXPECT_TRUE(refusal("abc").contains("'abc'"));
    EXPECT_EQ(refusal(QString(300, u'1')).count(u'1'), 40);
    EXPECT_EQ(refusal("9"), "no desktop 9");
    for (const QVariant& bad : {QVariant(2), QVariant(QString("0")), QVariant(QString("2 "))})
        broadcast(bad);
    // Answered after the signals before it were heard: only the request waits.
    ASSERT_EQ(DebugRequests::settings(client, "org.quillbar.Debug").outcome,
              DebugRequests::Outcome::Delivered);
    listener.deliverPending();
    EXPECT_EQ(received.size(), 4u);
    EXPECT_EQ(received.back(), settings);
    for (const char* number : {"1", "+2", "0002147483647"})
        EXPECT_TRUE(DebugRequests::isDesktopNumber(number)) << number;
    for (const char* text : {"", "+", "0", "-1", " 2", "2147483648", "1e3", "٣"})
        EXPECT_FALSE(DebugRequests::isDesktopNumber(QString::fromUtf8(text))) << text;
}

TEST(BusServicesTest, ADebugRequestFailsAtItsDeadlineWithoutAnInstance) {
    const DebugRequests::Reply nobody =
        DebugRequests::settings(busParty(), "org.quillbar.Nobody", std::chrono::milliseconds(300));
    EXPECT_EQ(nobody.outcome, DebugRequests::Outcome::NotRunning);
    EXPECT_EQ(nobody.message, "Quillbar is not running");
}

// The title in every signal a bus party hears from the exported title's object, in order.
class SignalLog : public QObject {
    Q_OBJECT
public:
    QStringList lines;
public slots:
    void heard(const QDBusMessage& message) {
        const QVariant last =
            message.arguments().value(message.member() == "MenuBarTitleChanged" ? 0 : 1);
        lines << message.member() + " " +
                     (last.userType() == qMetaTypeId<QDBusArgument>()
                          ? qdbus_cast<QVariantMap>(last).value("MenuBarTitle").toString()
                          : last.toString());
    }
};

// Status bars listen to either signal: both go out once per change, in that order, with the title.
TEST(BusServicesTest, AChangedTitleIsAnnouncedByBothSignalsOnceEach) {
    const QDBusConnection app = busParty();
    TitleObject title(app, "Desktop 1");
    SignalLog log;
    QDBusConnection listener = busParty();
    for (const char* interface : {TitleExporter::kInterface, "org.freedesktop.DBus.Properties"}) {
        ASSERT_TRUE(listener.connect(app.baseService(), TitleExporter::kPath, interface, QString(),
                                     &log, SLOT(heard(QDBusMessage))));
    }
    title.exporter->setMenuBarTitle("Desktop 2");
    title.exporter->setMenuBarTitle("Desktop 2"); // no change, no signal: it would come first
    title.exporter->setMenuBarTitle(QString("🦊 Fox") + QChar(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.lines.size() >= 4; }, 5000));
    EXPECT_EQ(log.lines,
              QStringList({"MenuBarTitleChanged Desktop 2", "PropertiesChanged Desktop 2",
                           "MenuBarTitleChanged 🦊 Fox", "PropertiesChanged 🦊 Fox"}));
}

// `--follow` on a thread of its own, printing into a pipe that the test reads as it waits.
class Follow {
public:
    Follow(const std::string& service, TitleLine::Format format) {
        EXPECT_EQ(::pipe2(out_, O_CLOEXEC), 0);
        EXPECT_EQ(::pipe2(stop_, O_CLOEXEC), 0);
        ::fcntl(out_[0], F_SETFL, O_NONBLOCK);
        run_ = std::async(std::launch::async, [this, service, format] {
            return TitleQuery::follow(service, format, out_[1], stop_[0]);
        });
    }
    ~Follow() {
        EXPECT_EQ(::write(stop_[1], "x", 1), 1);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return run_.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        EXPECT_EQ(run_.get(), 0);
        for (int fd : {out_[0], out_[1], stop_[0], stop_[1]}) {
            ::close(fd);
        }
    }
    // Everything printed so far.
    const std::string& text() {
        char buffer[4096];
        for (ssize_t got; (got = ::read(out_[0], buffer, sizeof buffer)) > 0;) {
            text_.append(buffer, std::size_t(got));
        }
        return text_;
    }
    bool printed(const std::string& part) {
        return QTest::qWaitFor([&] { return text().find(part) != std::string::npos; }, 5000);
    }

private:
    int out_[2] = {-1, -1};
    int stop_[2] = {-1, -1};
    std::string text_;
    std::future<int> run_;
};

// The bar's form is a header line, then "[" and one array per line, each followed by a comma: the
// array stays open, so closing it must give valid JSON.
TEST(BusServicesTest, FollowersPrintTheExportedTitleOnEveryChangeAndAcrossRestarts) {
    // Started before any instance runs, the followers print nothing until one comes.
    Follow json("org.quillbar.Titles", TitleLine::Format::Json);
    Follow bar("org.quillbar.Titles", TitleLine::Format::I3bar);
    const auto printed = [&](const std::string& part) {
        return json.printed(part) && bar.printed(part);
    };
    QString appConnection;
    QDBusConnection app = busParty(&appConnection);
    auto title = std::make_unique<TitleObject>(app, "🦊 Fox");
    ASSERT_TRUE(app.registerService("org.quillbar.Titles"));
    ASSERT_TRUE(printed("Fox"));
    title->exporter->setMenuBarTitle("Desktop 3");
    title->exporter->setMenuBarTitle("Desktop 3"); // no change, no line
    ASSERT_TRUE(printed("Desktop 3"));
    EXPECT_EQ(json.text(), "{\"text\":\"🦊 Fox\",\"tooltip\":\"🦊 Fox\"}\n"
                           "{\"text\":\"Desktop 3\",\"tooltip\":\"Desktop 3\"}\n");
    // The instance goes away: an empty title; a new one comes: its title. Another holder of a
    // name of its own is not heard.
    title.reset();
    app = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(appConnection);
    ASSERT_TRUE(json.printed("{\"text\":\"\""));
    TitleObject other(busParty(), "Stranger");
    other.exporter->setMenuBarTitle("Still a stranger");
    QDBusConnection newer = busParty();
    TitleObject replacement(newer, "Desktop 1");
    ASSERT_TRUE(newer.registerService("org.quillbar.Titles"));
    ASSERT_TRUE(printed("Desktop 1"));
    replacement.exporter->setMenuBarTitle("Quote \" and\nbreak");
    ASSERT_TRUE(printed("break"));
    EXPECT_EQ(json.text().find("tranger"), std::string::npos);

    const QByteArray text = QByteArray::fromStdString(bar.text());
    const qsizetype headerEnd = text.indexOf('\n');
    EXPECT_EQ(QJsonDocument::fromJson(text.left(headerEnd)).object().value("version").toInt(), 1);
    QByteArray body = text.mid(headerEnd + 1).trimmed();
    ASSERT_TRUE(body.startsWith('[') && body.endsWith(','));
    body.chop(1);
    QStringList shown;
    for (const QJsonValue& line : QJsonDocument::fromJson(body + ']').array())
        shown << line.toArray().first().toObject().value("full_text").toString();
    EXPECT_EQ(shown,
              (QStringList{"🦊 Fox", "Desktop 3", "", "Desktop 1", "Quote \" and\nbreak"}));
}

// The one-shot query runs on a thread of its own: the exporter answers on this thread's loop.
TitleQuery::Answer queryTitle(const std::string& service, std::chrono::milliseconds deadline) {
    auto answer =
        std::async(std::launch::async, [=] { return TitleQuery::read(service, deadline); });
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        10000));
    return answer.get();
}

TEST(BusServicesTest, TheOneShotQueryReadsTheTitleCutsItAndGivesUpAtItsOwnDeadline) {
    using Outcome = TitleQuery::Outcome;
    EXPECT_EQ(queryTitle("org.quillbar.Query", TitleQuery::kDeadline).outcome, Outcome::NotRunning);

    QDBusConnection app = busParty();
    TitleObject title(app, "🦊 Fox");
    TitleExporter& exporter = *title.exporter;
    ASSERT_TRUE(app.registerService("org.quillbar.Query"));
    TitleQuery::Answer answer = queryTitle("org.quillbar.Query", TitleQuery::kDeadline);
    EXPECT_EQ(answer.outcome, Outcome::Title);
    EXPECT_EQ(answer.title, "🦊 Fox");
    // A title too long for a bar is cut before a character that would not fit whole.
    exporter.setMenuBarTitle(QString(2000, QChar(0x2026)));
    answer = queryTitle("org.quillbar.Query", TitleQuery::kDeadline);
    EXPECT_EQ(QString::fromStdString(answer.title), QString(1365, QChar(0x2026)));

    // A holder of the name that never answers: the query ends at its deadline.
    sd_bus* stalled = nullptr;
    ASSERT_GE(sd_bus_open_user(&stalled), 0);
    ASSERT_GE(sd_bus_request_name(stalled, "org.quillbar.Stalled", 0), 0);
    EXPECT_EQ(queryTitle("org.quillbar.Stalled", std::chrono::milliseconds(300)).outcome,
              Outcome::NotRunning);
    sd_bus_flush_close_unref(stalled);

    // What follows a NUL in a title is kept, and a line break never splits the line.
    exporter.setMenuBarTitle(QString("🦊 Fox") + QChar(0) + "Den");
    answer = queryTitle("org.quillbar.Query", TitleQuery::kDeadline);
    EXPECT_EQ(answer.title, "🦊 FoxDen");
    EXPECT_EQ(TitleLine::format("Two\nlines\u2028here", TitleLine::Format::Plain),
              "Two lines here\n");
}

TEST(BusWait, ItsDeadlineHoldsThroughAFloodAndASignalDoesNotEndIt) {
    using End = BusWait::End;
    using namespace std::chrono_literals;
    const BusWait::Clock::time_point start{};
    BusWait::Clock::time_point clock = start;
    int processed = 0;
    int waits = 0;
    // A peer that keeps sending, a millisecond a message; after 1,000 the connection fails.
    const BusWait::Steps flood{[&] {
                                   clock += 1ms;
                                   return ++processed > 1000 ? -1 : 1;
                               },
                               [&](std::uint64_t) { return ++waits, 0; }, [&] { return clock; }};
    const auto never = [] { return false; };
    EXPECT_EQ(BusWait::serve(flood, never, start + 20ms), End::TimedOut);
    EXPECT_LE(processed, 21);
    EXPECT_EQ(waits, 0);

    // A quiet connection waits for the time left; a signal interrupting the wait is no failure.
    std::vector<std::uint64_t> asked;
    const BusWait::Steps quiet{[&] { return 0; },
                               [&](std::uint64_t usec) {
                                   asked.push_back(usec);
                                   return asked.size() == 1 ? -EINTR : 1;
                               },
                               [&] { return start + 5ms; }};
    EXPECT_EQ(BusWait::serve(
                  quiet, [&] { return asked.size() == 2; }, start + 30ms),
              End::Done);
    EXPECT_EQ(asked, (std::vector<std::uint64_t>{25000, 25000}));

    const BusWait::Steps broken{[] { return 0; }, [](std::uint64_t) { return -ENOTCONN; },
                                [&] { return start; }};
    EXPECT_EQ(BusWait::serve(broken, never, start + 30ms), End::Failed);
}

// The bus goes away: the services stay, sending nothing, and the connection's dead socket does
// not keep the event loop awake.
TEST(BusServicesTest, TheServicesOutliveTheBus) {
    QProcess daemon; // a bus of the test's own, which it can end
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    ASSERT_TRUE(daemon.waitForStarted(5000) && daemon.waitForReadyRead(5000));
    const QDBusConnection app =
        QDBusConnection::connectToBus(QString::fromUtf8(daemon.readLine().trimmed()), "gone-bus");
    ASSERT_TRUE(app.isConnected());
    SingleInstance instance(app, "org.quillbar.Gone");
    ASSERT_TRUE(claimed(instance));
    TitleObject title(app, "Desktop 1");
    int delivered = 0;
    DebugRequests requests(
        app, [&](const std::string&, const std::optional<std::string>&) { ++delivered; });
    QSignalSpy replaced(&instance, &SingleInstance::replaced);
    daemon.kill();
    ASSERT_TRUE(daemon.waitForFinished(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app.isConnected(); }, 5000));
    EXPECT_FALSE(instance.holdsName());
    title.exporter->setMenuBarTitle("Desktop 2");
    EXPECT_EQ(title.exporter->menuBarTitle(), "Desktop 2");
    SingleInstance later(app, "org.quillbar.Gone");
    EXPECT_FALSE(claimed(later));
    previousLeft(later, std::chrono::seconds(5));

    int wakes = 0;
    const QMetaObject::Connection counting = QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, [&] { ++wakes; });
    QEventLoop idle;
    QTimer::singleShot(200, &idle, &QEventLoop::quit);
    idle.exec();
    QObject::disconnect(counting);
    EXPECT_LT(wakes, 20);
    EXPECT_TRUE(replaced.isEmpty());
    EXPECT_EQ(delivered, 0);
}

TEST(BusServicesTest, SessionSignalsBecomeWorkspaceNotifications) {
    // Stand-ins for logind and a screen saver on the private bus.
    QDBusConnection system = busParty();
    ASSERT_TRUE(system.registerService("org.freedesktop.login1"));
    const QString session = "/org/freedesktop/login1/session/_31";
    std::vector<std::string> posted;
    SessionEvents events(
        busParty(), busParty(), [&](const std::string& name) { posted.push_back(name); }, session);
    const auto send = [](QDBusConnection bus, const QString& path, const QString& interface,
                         const QString& name, const QVariantList& arguments) {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
        signal.setArguments(arguments);
        bus.send(signal);
    };
    // Each sender's wrong trigger goes first: a notification it wrongly caused arrives before the
    // last right one, which the wait below needs.
    for (bool starting : {true, false})
        send(system, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep",
             {starting});
    for (bool active : {false, true})
        send(system, session, "org.freedesktop.DBus.Properties", "PropertiesChanged",
             {"org.freedesktop.login1.Session", QVariantMap{{"Active", active}}, QStringList()});
    const QDBusConnection screenSaver = busParty();
    for (bool active : {true, false})
        send(screenSaver, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
             "ActiveChanged", {active});
    ASSERT_TRUE(QTest::qWaitFor([&] { return posted.size() >= 3; }, 5000));
    EXPECT_EQ(posted, (std::vector<std::string>{NotificationCenter::kDidWake,
                                                NotificationCenter::kSessionDidBecomeActive,
                                                NotificationCenter::kScreensDidWake}));
}

} // namespace
} // namespace quillbar

#include "BusServicesTest.moc"
