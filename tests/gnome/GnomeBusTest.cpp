// SPDX-License-Identifier: GPL-3.0-or-later
// The GNOME client against a stand-in for the Shell extension that answers in any shape given.
#include "BusStandIn.h"
#include "FakePlatform.h"
#include "platform/gnome/GnomeWindowServer.h"
#include "platform/gnome/GnomeWorkspaces.h"
#include "platform/qt/PrimaryScreenDisplays.h"

#include <QDBusMessage>
#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

namespace quillbar {
namespace {

using test::busParty;
using test::eventually;

QList<QVariant> workspaces(const QStringList& names, uint active) {
    return {names, active};
}

// The extension's workspace service as far as Quillbar uses it.
class FakeShell final : public test::BusStandIn {
public:
    FakeShell()
        : BusStandIn(GnomeWorkspaces::kService, GnomeWorkspaces::kPath,
                     GnomeWorkspaces::kInterface) {}

    QList<QVariant> answer = workspaces({"Workspace 1", "Workspace 2"}, 0); // GetWorkspaces'
    bool silent = false;                                                    // never answers at all
    int reads = 0;
    QList<uint> activated;
    QList<QPair<int, QString>> renamed; // every SetWorkspaceName
    bool takesNames = true;             // false: an older extension, without SetWorkspaceName
    QString refusal;                    // the error SetWorkspaceName answers with, if any

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QList<QVariant> arguments = message.arguments();
        if (message.member() == QLatin1String("GetWorkspaces")) {
            ++reads;
            if (!silent) {
                connection.send(message.createReply(answer));
            }
        } else if (message.member() == QLatin1String("Activate") && arguments.size() == 1) {
            const uint index = arguments.first().toUInt();
            activated << index;
            const bool exists = !answer.isEmpty() && index < answer.first().toStringList().size();
            connection.send(exists ? message.createReply()
                                   : message.createErrorReply(
                                         QStringLiteral("org.quillbar.Shell.Error.NoSuchWorkspace"),
                                         QStringLiteral("no workspace %1").arg(index)));
        } else if (message.member() != QLatin1String("SetWorkspaceName")) {
            return false;
        } else if (!takesNames) { // what the bus library answers for a method the interface lacks
            connection.send(message.createErrorReply(QDBusError::UnknownMethod,
                                                     QStringLiteral("No such method")));
        } else if (message.signature() != QLatin1String("is")) {
            connection.send(message.createErrorReply(QDBusError::InvalidArgs, QString()));
        } else {
            renamed << qMakePair(arguments[0].toInt(), arguments[1].toString());
            connection.send(refusal.isEmpty()
                                ? message.createReply()
                                : message.createErrorReply(QDBusError::InvalidArgs, refusal));
        }
        return true;
    }

    void emitChanged(const QList<QVariant>& arguments) {
        emitSignal("WorkspacesChanged", arguments);
    }
};

class GnomeBusTest : public ::testing::Test {
protected:
    // The client and the window server on it, as the application makes them.
    void start() {
        client = std::make_unique<GnomeWorkspaces>(busParty(), log, [this] { ++changes; });
        server = std::make_unique<GnomeWindowServer>(*client, displays);
        rename = server->spaceServerAPI().renameSpace;
    }
    bool known() const { return client->table().known(); }

    FakeShell shell;
    test::FakeLog log;
    int changes = 0;
    PrimaryScreenDisplays displays{QStringLiteral("gnome:"), QStringLiteral("GNOME Shell")};
    std::unique_ptr<GnomeWorkspaces> client;
    std::unique_ptr<GnomeWindowServer> server;
    decltype(SpaceServerAPI::renameSpace) rename;
};

TEST_F(GnomeBusTest, ReadsFollowsTheSignalAndActivatesThroughTheWindowServer) {
    shell.answer = workspaces({"Workspace 1", "Mail", "Workspace 3"}, 0);
    start();
    ASSERT_TRUE(eventually([&] { return known(); }));
    EXPECT_EQ(client->table().names(),
              (std::vector<std::string>{"Workspace 1", "Mail", "Workspace 3"}));
    EXPECT_EQ(changes, 1);

    // The signal carries everything: no second read, and a rename is a change like a switch.
    shell.emitChanged(workspaces({"Workspace 1", "Post", "Workspace 3"}, 2));
    ASSERT_TRUE(eventually([&] { return client->table().active() == 2u; }));
    EXPECT_EQ(client->table().names()[1], "Post");
    EXPECT_EQ(shell.reads, 1);
    EXPECT_EQ(changes, 2);

    // The core switches by managed number; the extension gets the index.
    EXPECT_TRUE(server->spaceKeysRecur());
    const SpaceServerAPI api = server->spaceServerAPI();
    EXPECT_EQ(api.activeSpace(), 3);
    api.showSpace(2);
    api.showSpace(9); // names no workspace: nothing is sent
    ASSERT_TRUE(eventually([&] { return !shell.activated.isEmpty(); }));
    EXPECT_EQ(shell.activated, QList<uint>{1});

    // The workspace went before the request arrived: the error answer makes the client look again.
    client->activate(7);
    ASSERT_TRUE(eventually([&] { return shell.reads == 2; }));
    EXPECT_EQ(shell.activated, (QList<uint>{1, 7}));
    EXPECT_TRUE(known());
}

// Other shapes are no answer; the service leaving shows nothing until it returns, and a signal
// from whoever is left on that path is not the service's.
TEST_F(GnomeBusTest, AnswersInOtherShapesAndTheServiceAwayShowNothing) {
    const QStringList names{QStringLiteral("A")};
    const QList<QList<QVariant>> wrong = {
        {names, 0},                                   // a signed index
        {names},                                      // no index
        {QStringLiteral("A"), 0u},                    // one name, not a list
        {names, 0u, 1u},                              // more than declared
        {QVariant::fromValue(QList<int>{1, 2}), 0u}}; // numbers, not names
    shell.answer = wrong.first();
    start();
    ASSERT_TRUE(eventually([&] { return shell.reads == 1; }));
    for (int i = 1; i < wrong.size(); ++i) {
        shell.answer = wrong[i];
        shell.emitChanged(wrong[i]); // unreadable itself: the client asks instead
        ASSERT_TRUE(eventually([&] { return shell.reads == i + 1; })) << i;
    }
    QTest::qWait(0);
    EXPECT_FALSE(known());
    EXPECT_EQ(changes, 0);

    shell.emitChanged(workspaces({"Workspace 1"}, 0));
    ASSERT_TRUE(eventually([&] { return known(); }));
    shell.leave();
    ASSERT_TRUE(eventually([&] { return !known(); }));
    EXPECT_EQ(changes, 2);
    shell.emitChanged(workspaces({"Ghost"}, 0));
    shell.answer = workspaces({"Workspace 1", "Back"}, 1);
    shell.come();
    ASSERT_TRUE(eventually([&] { return known(); }));
    EXPECT_EQ(client->table().names(), (std::vector<std::string>{"Workspace 1", "Back"}));
    EXPECT_EQ(changes, 3);
}

TEST_F(GnomeBusTest, TheProbeAnswersOnlyForAServiceThatAnswersInTime) {
    QDBusConnection bus = busParty();
    EXPECT_TRUE(GnomeWorkspaces::answers(bus, std::chrono::milliseconds(500)));
    shell.answer = {QStringList{}, 0};
    EXPECT_FALSE(GnomeWorkspaces::answers(bus, std::chrono::milliseconds(500)));
    shell.leave();
    EXPECT_FALSE(GnomeWorkspaces::answers(bus, std::chrono::milliseconds(500))); // nobody there
    // A service that never answers is given up on at the probe's own deadline.
    shell.come();
    shell.silent = true;
    QElapsedTimer waited;
    waited.start();
    EXPECT_FALSE(GnomeWorkspaces::answers(bus, std::chrono::milliseconds(300)));
    EXPECT_LT(waited.elapsed(), 5000);
}

TEST_F(GnomeBusTest, RenamesByManagedNumberAndLogsEachRefusalOnce) {
    shell.answer = workspaces({"Workspace 1", "Workspace 2", "Workspace 3"}, 0);
    start();
    ASSERT_TRUE(eventually([&] { return known(); }));

    // Over the bound, or a number that names no workspace: a reason, and nothing is sent.
    EXPECT_TRUE(rename(2, std::string(GnomeWindowServer::kMaxNameBytes + 1, 'x')).has_value());
    EXPECT_TRUE(rename(4, "Lost").has_value());
    EXPECT_TRUE(rename(0, "Lost").has_value());
    EXPECT_EQ(rename(2, "📬 Mail"), std::nullopt);
    EXPECT_EQ(rename(3, ""), std::nullopt);
    ASSERT_TRUE(eventually([&] { return shell.renamed.size() == 2; }));
    EXPECT_EQ(shell.renamed, (QList<QPair<int, QString>>{{1, "📬 Mail"}, {2, ""}}));

    // Refused on every refresh: said once for that workspace, until one is taken there.
    shell.refusal = QStringLiteral("name has control characters");
    for (int i = 0; i < 3; ++i) {
        rename(2, "Work");
    }
    rename(1, "Home");
    ASSERT_TRUE(eventually([&] { return shell.renamed.size() == 6 && log.lines.size() == 2; }));
    EXPECT_EQ(
        log.lines.front().message,
        "GNOME Shell refused the name of workspace 2: org.freedesktop.DBus.Error.InvalidArgs: "
        "name has control characters");
    shell.refusal.clear();
    rename(2, "Work");
    ASSERT_TRUE(eventually([&] { return shell.renamed.size() == 7; }));
    shell.refusal = QStringLiteral("busy");
    rename(2, "Play");
    ASSERT_TRUE(eventually([&] { return log.lines.size() == 3; }));
}

TEST_F(GnomeBusTest, AnOlderExtensionIsToldOnceAndAskedNoMoreUntilTheShellRestarts) {
    shell.takesNames = false;
    start();
    ASSERT_TRUE(eventually([&] { return known(); }));
    EXPECT_EQ(rename(1, "📬 Mail"), std::nullopt);
    EXPECT_EQ(rename(2, "💻 Code"), std::nullopt); // both on their way before the first answer
    ASSERT_TRUE(eventually([&] { return !client->takesNames(); }));
    EXPECT_EQ(rename(1, "📬 Mail"), std::string(GnomeWindowServer::kTooOld));
    // Both answers are in once a later call's is: a stale Activate, whose error makes it read.
    const int reads = shell.reads;
    client->activate(9);
    ASSERT_TRUE(eventually([&] { return shell.reads > reads; }));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines.front().message.rfind("GNOME Shell's Quillbar extension takes no names", 0),
              0u);

    // The Shell restarted with this program's extension: names are asked for again.
    shell.leave();
    ASSERT_TRUE(eventually([&] { return !known(); }));
    shell.takesNames = true;
    shell.come();
    ASSERT_TRUE(eventually([&] { return known(); }));
    EXPECT_TRUE(client->takesNames());
    EXPECT_EQ(rename(1, "📬 Mail"), std::nullopt);
    ASSERT_TRUE(eventually([&] { return shell.renamed.size() == 1; }));
}

} // namespace
} // namespace quillbar
