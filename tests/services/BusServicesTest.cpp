// Runs on a private session bus (ctest starts it with dbus-run-session). Each party of a test has
// its own connection, as separate processes would.
#include "platform/NotificationCenter.h"
#include "services/DebugRequests.h"
#include "services/SessionEvents.h"
#include "services/SingleInstance.h"
#include "services/TitleExporter.h"
#include "services/TitleFollower.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace quillbar {
namespace {

// A new connection to the session bus: another party, open until the program ends.
QDBusConnection party() {
    static int count = 0;
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                         QStringLiteral("party-%1").arg(count++));
}

TEST(BusServicesTest, TheNewestInstanceTakesTheNameAndTheOlderOneIsToldToQuit) {
    SingleInstance first(party(), "org.quillbar.Test");
    SingleInstance second(party(), "org.quillbar.Test");
    SingleInstance other(party(), "org.quillbar.Other");
    QSignalSpy firstReplaced(&first, &SingleInstance::replaced);
    QSignalSpy otherReplaced(&other, &SingleInstance::replaced);
    ASSERT_TRUE(first.claim());
    ASSERT_TRUE(other.claim());
    ASSERT_TRUE(second.claim());
    EXPECT_TRUE(QTest::qWaitFor([&] { return firstReplaced.count() == 1; }, 5000));
    EXPECT_TRUE(second.holdsName() && !first.holdsName());
    // A copy with another identifier is left alone.
    EXPECT_TRUE(other.holdsName() && otherReplaced.isEmpty());
    // Without a bus the rule is skipped.
    SingleInstance lonely(QDBusConnection(QStringLiteral("never connected")), "org.quillbar.Test");
    EXPECT_FALSE(lonely.claim() || lonely.holdsName());
}

// The newer instance hears when the one it replaced has left the bus (at once when there was
// none, at the limit when it never leaves); only then may it read what that one saved.
TEST(BusServicesTest, TheNewInstanceWaitsUntilTheOneItReplacedHasLeft) {
    const QString name = QStringLiteral("org.quillbar.Waiting");
    SingleInstance alone(party(), name);
    QSignalSpy aloneGone(&alone, &SingleInstance::previousGone);
    ASSERT_TRUE(alone.claim());
    alone.awaitPrevious(std::chrono::seconds(5));
    EXPECT_TRUE(QTest::qWaitFor([&] { return aloneGone.count() == 1; }, 5000));
    EXPECT_EQ(aloneGone.value(0).value(0).toBool(), true);

    QDBusConnection olderBus = party();
    const QString olderName = olderBus.name();
    auto older = std::make_unique<SingleInstance>(olderBus, name);
    ASSERT_TRUE(older->claim());
    SingleInstance newer(party(), name);
    QSignalSpy newerGone(&newer, &SingleInstance::previousGone);
    ASSERT_TRUE(newer.claim());
    newer.awaitPrevious(std::chrono::seconds(20));
    // A few turns of the loop, in which an answer for "nobody before" would come: nothing yet.
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents();
    EXPECT_EQ(newerGone.count(), 0);
    older.reset();
    olderBus = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(olderName);
    EXPECT_TRUE(QTest::qWaitFor([&] { return newerGone.count() == 1; }, 10000));
    EXPECT_EQ(newerGone.value(0).value(0).toBool(), true);

    SingleInstance newest(party(), name); // replaces newer, which stays on the bus
    QSignalSpy newestGone(&newest, &SingleInstance::previousGone);
    ASSERT_TRUE(newest.claim());
    newest.awaitPrevious(std::chrono::milliseconds(100));
    EXPECT_TRUE(QTest::qWaitFor([&] { return newestGone.count() == 1; }, 5000));
    EXPECT_EQ(newestGone.value(0).value(0).toBool(), false);
}

TEST(BusServicesTest, DebugRequestsArriveAsDistributedNotifications) {
    std::vector<std::string> received; // name and object ("-" for none)
    DebugRequests listener(party(),
                           [&](const std::string& name, const std::optional<std::string>& object) {
                               received.push_back(name + " " + object.value_or("-"));
                           });
    QDBusConnection sender = party();
    ASSERT_TRUE(DebugRequests::sendSwitchTo(sender, "+2"));
    ASSERT_TRUE(DebugRequests::sendSettings(sender));
    // Not text: handed on without an object, for the observer to ignore.
    QDBusMessage number =
        QDBusMessage::createSignal("/elsewhere", DebugRequests::kInterface, "switchTo");
    sender.send(number << 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 3; }, 5000));
    const std::string switchTo = NotificationCenter::kDebugSwitchTo;
    EXPECT_EQ(received,
              (std::vector<std::string>{switchTo + " +2",
                                        NotificationCenter::kDebugSettings + std::string(" -"),
                                        switchTo + " -"}));
}

// What was written to a temporary file.
std::string textOf(std::FILE* file) {
    std::fflush(file);
    std::string text(std::size_t(std::ftell(file)), '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    return text;
}

TEST(BusServicesTest, FollowersPrintTheExportedTitleOnEveryChangeAndAcrossRestarts) {
    std::FILE* out = std::tmpfile();
    EXPECT_FALSE(TitleFollower(party(), "org.quillbar.Titles", TitleFollower::Format::Plain, out)
                     .printOnce()); // no instance runs
    EXPECT_EQ(textOf(out), "");

    QDBusConnection app = party();
    auto exporter = std::make_unique<TitleExporter>(app, "🦊 Fox");
    ASSERT_TRUE(app.registerService("org.quillbar.Titles"));

    TitleFollower follower(party(), "org.quillbar.Titles", TitleFollower::Format::Json, out);
    follower.follow();
    exporter->setMenuBarTitle("Desktop 3");
    exporter->setMenuBarTitle("Desktop 3"); // no change, no line
    const auto printed = [&](const char* text) {
        return QTest::qWaitFor([&] { return textOf(out).find(text) != std::string::npos; }, 5000);
    };
    ASSERT_TRUE(printed("Desktop 3"));
    EXPECT_EQ(textOf(out), "{\"text\":\"🦊 Fox\",\"tooltip\":\"🦊 Fox\"}\n"
                           "{\"text\":\"Desktop 3\",\"tooltip\":\"Desktop 3\"}\n");
    // The instance goes away: an empty title; a new one comes: its title.
    exporter.reset();
    app.unregisterService("org.quillbar.Titles");
    ASSERT_TRUE(printed("{\"text\":\"\""));
    QDBusConnection newer = party();
    TitleExporter replacement(newer, "Desktop 1");
    ASSERT_TRUE(newer.registerService("org.quillbar.Titles"));
    EXPECT_TRUE(printed("Desktop 1"));
    std::fclose(out);
}

TEST(BusServicesTest, SessionSignalsBecomeWorkspaceNotifications) {
    // A stand-in for logind and a screen saver on the private bus.
    QDBusConnection system = party();
    ASSERT_TRUE(system.registerService("org.freedesktop.login1"));
    const QString session = "/org/freedesktop/login1/session/_31";
    std::vector<std::string> posted;
    SessionEvents events(
        party(), party(), [&](const std::string& name) { posted.push_back(name); }, session);

    const auto send = [](QDBusConnection bus, const QString& path, const QString& interface,
                         const QString& name, const QVariantList& arguments) {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
        signal.setArguments(arguments);
        bus.send(signal);
    };
    for (bool starting : {true, false})
        send(system, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep",
             {starting});
    for (bool active : {false, true})
        send(system, session, "org.freedesktop.DBus.Properties", "PropertiesChanged",
             {"org.freedesktop.login1.Session", QVariantMap{{"Active", active}}, QStringList()});
    const QDBusConnection screenSaver = party();
    for (bool active : {true, false})
        send(screenSaver, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
             "ActiveChanged", {active});
    ASSERT_TRUE(QTest::qWaitFor([&] { return posted.size() >= 3; }, 5000));
    // Let anything wrongly posted arrive too: a last round trip on every connection.
    QTest::qWait(0);
    EXPECT_EQ(posted, (std::vector<std::string>{NotificationCenter::kDidWake,
                                                NotificationCenter::kSessionDidBecomeActive,
                                                NotificationCenter::kScreensDidWake}));
}

} // namespace
} // namespace quillbar
