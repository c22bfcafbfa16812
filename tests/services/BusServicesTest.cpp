// Runs on a private session bus (ctest starts it with dbus-run-session). Each party of a test has
// its own connection, as separate processes would.
#include "platform/NotificationCenter.h"
#include "services/DebugRequests.h"
#include "services/SessionEvents.h"
#include "services/SingleInstance.h"
#include "services/TitleExporter.h"
#include "services/TitleFollower.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillbar {
namespace {

class BusServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) {
            GTEST_SKIP() << "no session bus";
        }
    }
    void TearDown() override {
        for (const QString& name : names_) {
            QDBusConnection::disconnectFromBus(name);
        }
    }

    // A new connection to the session bus: another party.
    QDBusConnection party() {
        const QString name = QStringLiteral("party-%1").arg(names_.size());
        names_ << name;
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    }

    // Keeps the event loop turning until done() or five seconds have passed.
    template <typename Done> bool waitFor(Done done) { return QTest::qWaitFor(done, 5000); }

    QStringList names_;
};

TEST_F(BusServicesTest, TheNewestInstanceTakesTheNameAndTheOlderOneIsToldToQuit) {
    SingleInstance first(party(), "org.quillbar.Test");
    SingleInstance second(party(), "org.quillbar.Test");
    SingleInstance other(party(), "org.quillbar.Other");
    QSignalSpy firstReplaced(&first, &SingleInstance::replaced);
    QSignalSpy otherReplaced(&other, &SingleInstance::replaced);
    ASSERT_TRUE(first.claim());
    ASSERT_TRUE(other.claim());
    ASSERT_TRUE(second.claim());
    EXPECT_TRUE(waitFor([&] { return firstReplaced.count() == 1; }));
    EXPECT_TRUE(second.holdsName());
    EXPECT_FALSE(first.holdsName());
    // A copy with another identifier is left alone.
    EXPECT_TRUE(other.holdsName());
    EXPECT_EQ(otherReplaced.count(), 0);
}

TEST_F(BusServicesTest, WithoutABusTheRuleIsSkipped) {
    SingleInstance lonely(QDBusConnection(QStringLiteral("never connected")), "org.quillbar.Test");
    EXPECT_FALSE(lonely.claim());
    EXPECT_FALSE(lonely.holdsName());
}

TEST_F(BusServicesTest, DebugRequestsArriveAsDistributedNotifications) {
    std::vector<std::pair<std::string, std::optional<std::string>>> received;
    DebugRequests listener(party(),
                           [&](const std::string& name, const std::optional<std::string>& object) {
                               received.emplace_back(name, object);
                           });
    QDBusConnection sender = party();
    ASSERT_TRUE(DebugRequests::sendSwitchTo(sender, "+2"));
    ASSERT_TRUE(DebugRequests::sendSettings(sender));
    // Not text: handed on without an object, for the observer to ignore.
    QDBusMessage number =
        QDBusMessage::createSignal("/elsewhere", DebugRequests::kInterface, "switchTo");
    number << 2;
    sender.send(number);
    ASSERT_TRUE(waitFor([&] { return received.size() == 3; }));
    EXPECT_EQ(received[0], std::make_pair(std::string(NotificationCenter::kDebugSwitchTo),
                                          std::optional<std::string>("+2")));
    EXPECT_EQ(received[1].first, NotificationCenter::kDebugSettings);
    EXPECT_EQ(received[2], std::make_pair(std::string(NotificationCenter::kDebugSwitchTo),
                                          std::optional<std::string>()));
}

// Lines written to a memory stream.
class Output {
public:
    Output() { stream_ = open_memstream(&buffer_, &size_); }
    ~Output() {
        std::fclose(stream_);
        std::free(buffer_);
    }
    std::FILE* stream() { return stream_; }
    std::string text() {
        std::fflush(stream_);
        return std::string(buffer_, size_);
    }

private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* stream_ = nullptr;
};

TEST_F(BusServicesTest, FollowersPrintTheExportedTitleOnEveryChangeAndAcrossRestarts) {
    QDBusConnection app = party();
    auto exporter = std::make_unique<TitleExporter>(app, "🦊 Fox");
    ASSERT_TRUE(app.registerService("org.quillbar.Titles"));

    Output plain;
    Output json;
    TitleFollower once(party(), "org.quillbar.Titles", TitleFollower::Format::Plain,
                       plain.stream());
    ASSERT_TRUE(once.printOnce());
    EXPECT_EQ(plain.text(), "🦊 Fox\n");

    TitleFollower follower(party(), "org.quillbar.Titles", TitleFollower::Format::Json,
                           json.stream());
    follower.follow();
    exporter->setMenuBarTitle("Desktop 3");
    exporter->setMenuBarTitle("Desktop 3"); // no change, no line
    ASSERT_TRUE(waitFor([&] { return json.text().find("Desktop 3") != std::string::npos; }));
    EXPECT_EQ(json.text(), "{\"text\":\"🦊 Fox\",\"tooltip\":\"🦊 Fox\"}\n"
                           "{\"text\":\"Desktop 3\",\"tooltip\":\"Desktop 3\"}\n");

    // The instance goes away: an empty title; a new one comes: its title.
    exporter.reset();
    app.unregisterService("org.quillbar.Titles");
    ASSERT_TRUE(waitFor([&] { return json.text().find("{\"text\":\"\"") != std::string::npos; }));
    QDBusConnection newer = party();
    TitleExporter replacement(newer, "Desktop 1");
    ASSERT_TRUE(newer.registerService("org.quillbar.Titles"));
    EXPECT_TRUE(waitFor([&] { return json.text().find("Desktop 1") != std::string::npos; }));
}

TEST_F(BusServicesTest, ThePrintCommandFailsWhenNoInstanceRuns) {
    Output out;
    TitleFollower follower(party(), "org.quillbar.Nobody", TitleFollower::Format::Plain,
                           out.stream());
    EXPECT_FALSE(follower.printOnce());
    EXPECT_EQ(out.text(), "");
}

TEST_F(BusServicesTest, SessionSignalsBecomeWorkspaceNotifications) {
    // A stand-in for logind and a screen saver on the private bus.
    QDBusConnection system = party();
    ASSERT_TRUE(system.registerService("org.freedesktop.login1"));
    const QString session = "/org/freedesktop/login1/session/_31";
    std::vector<std::string> posted;
    SessionEvents events(
        party(), party(), [&](const std::string& name) { posted.push_back(name); }, session);

    auto sleep = [&](bool starting) {
        QDBusMessage signal = QDBusMessage::createSignal(
            "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
        signal << starting;
        system.send(signal);
    };
    auto sessionActive = [&](bool active) {
        QDBusMessage signal = QDBusMessage::createSignal(session, "org.freedesktop.DBus.Properties",
                                                         "PropertiesChanged");
        signal << QString("org.freedesktop.login1.Session") << QVariantMap{{"Active", active}}
               << QStringList();
        system.send(signal);
    };
    auto screenSaver = [&](bool active) {
        QDBusMessage signal = QDBusMessage::createSignal(
            "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged");
        signal << active;
        party().send(signal);
    };
    sleep(true);
    sleep(false);
    sessionActive(false);
    sessionActive(true);
    screenSaver(true);
    screenSaver(false);
    ASSERT_TRUE(waitFor([&] { return posted.size() >= 3; }));
    // Let anything wrongly posted arrive too: a last round trip on every connection.
    QTest::qWait(0);
    EXPECT_EQ(posted, (std::vector<std::string>{NotificationCenter::kDidWake,
                                                NotificationCenter::kSessionDidBecomeActive,
                                                NotificationCenter::kScreensDidWake}));
}

} // namespace
} // namespace quillbar
