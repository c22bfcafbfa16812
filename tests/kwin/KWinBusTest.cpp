// SPDX-License-Identifier: GPL-3.0-or-later
// The KWin client against a stand-in for KWin that answers in whatever shape a test gives it.
#include "BusStandIn.h"
#include "FakePlatform.h"
#include "platform/kwin/KWinDisplays.h"
#include "platform/kwin/KWinVirtualDesktops.h"
#include "platform/kwin/KWinWindowMover.h"
#include "platform/kwin/KWinWindowServer.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>

#include <gtest/gtest.h>

namespace {

// One desktop as KWin sends it (unsigned position), and as its introspection declares it.
template <typename Position> struct Entry {
    Position position{};
    QString id;
    QString name;
};
using SentEntry = Entry<uint>;
using DeclaredEntry = Entry<int>;

template <typename Position>
QDBusArgument& operator<<(QDBusArgument& argument, const Entry<Position>& entry) {
    argument.beginStructure();
    argument << entry.position << entry.id << entry.name;
    argument.endStructure();
    return argument;
}

template <typename Position>
const QDBusArgument& operator>>(const QDBusArgument& argument, Entry<Position>& entry) {
    argument.beginStructure();
    argument >> entry.position >> entry.id >> entry.name;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(SentEntry)
Q_DECLARE_METATYPE(DeclaredEntry)

namespace quillbar {
namespace {

using test::busParty;
using test::eventually;

// Marshalled with no list type registered: the client sees a QDBusArgument, as from KWin.
template <typename Position> QVariant marshalled(const QList<Entry<Position>>& entries) {
    qDBusRegisterMetaType<Entry<Position>>();
    QDBusArgument argument;
    argument.beginArray(QMetaType::fromType<Entry<Position>>());
    for (const auto& entry : entries) {
        argument << entry;
    }
    argument.endArray();
    return QVariant::fromValue(argument);
}

QVariant sent(std::initializer_list<std::pair<const char*, const char*>> desktops) {
    QList<SentEntry> list;
    for (const auto& [id, name] : desktops) {
        list.push_back(
            {static_cast<uint>(list.size()), QString::fromUtf8(id), QString::fromUtf8(name)});
    }
    return marshalled(list);
}

// KWin's desktop manager as far as Quillbar uses it.
class FakeKWin final : public test::BusStandIn {
public:
    FakeKWin()
        : BusStandIn(KWinVirtualDesktops::kService, KWinVirtualDesktops::kPath,
                     KWinVirtualDesktops::kInterface) {}

    QVariantMap properties{{"desktops", sent({{"a", "Mail"}, {"b", "Code"}})},
                           {"current", QStringLiteral("a")}}; // what GetAll answers
    int reads = 0;
    QStringList written;        // every `current` set
    QList<QStringList> renamed; // every setDesktopName: id, name
    QString refusal;            // the error setDesktopName answers with, if any

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QList<QVariant> arguments = message.arguments();
        if (message.member() == QLatin1String("GetAll")) {
            ++reads;
            connection.send(message.createReply(QVariant::fromValue(properties)));
        } else if (message.member() == QLatin1String("Set") && arguments.size() == 3) {
            written << arguments[2].value<QDBusVariant>().variant().toString();
            connection.send(message.createReply());
        } else if (message.member() == QLatin1String("setDesktopName") &&
                   message.signature() == QLatin1String("ss")) {
            renamed << QStringList{arguments[0].toString(), arguments[1].toString()};
            connection.send(refusal.isEmpty() ? message.createReply()
                                              : message.createErrorReply(
                                                    QStringLiteral("org.kde.KWin.Error"), refusal));
        } else {
            return false;
        }
        return true;
    }
};

std::vector<std::string> ids(const KWinDesktopTable& table) {
    std::vector<std::string> answer;
    for (const auto& desktop : table.desktops()) {
        answer.push_back(desktop.id);
    }
    return answer;
}

class KWinBusTest : public ::testing::Test {
protected:
    void start() {
        desktops = std::make_unique<KWinVirtualDesktops>(busParty(), log, [this] { ++changes; });
    }
    bool known() const { return desktops->table().known(); }

    FakeKWin kwin;
    test::FakeLog log;
    int changes = 0;
    std::unique_ptr<KWinVirtualDesktops> desktops;
};

TEST_F(KWinBusTest, ReadsWhatKWinSendsFollowsItsSignalsAndSwitches) {
    start();
    ASSERT_TRUE(eventually([&] { return known(); }));
    EXPECT_EQ(ids(desktops->table()), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(desktops->table().desktops()[1].name, "Code");
    EXPECT_EQ(changes, 1);

    // A switch needs no second look: the signal carries the new id.
    kwin.emitSignal("currentChanged", {QStringLiteral("b")});
    ASSERT_TRUE(eventually([&] { return desktops->table().current() == "b"; }));
    EXPECT_EQ(kwin.reads, 1);

    // A new desktop is read again in full.
    kwin.properties["desktops"] = sent({{"a", "Mail"}, {"n", "New"}, {"b", "Code"}});
    kwin.properties["current"] = QStringLiteral("b");
    kwin.emitSignal("desktopCreated", {QStringLiteral("n")});
    ASSERT_TRUE(eventually([&] { return desktops->table().desktops().size() == 3; }));
    EXPECT_EQ(ids(desktops->table()), (std::vector<std::string>{"a", "n", "b"}));

    desktops->show("n");
    ASSERT_TRUE(eventually([&] { return !kwin.written.isEmpty(); }));
    EXPECT_EQ(kwin.written, QStringList{QStringLiteral("n")});
}

// Signed positions are read too; only the first entries sent are looked at, then bounded.
TEST_F(KWinBusTest, SignedPositionsAndThousandsOfDesktops) {
    QList<DeclaredEntry> many;
    for (int i = 0; i < 5000; ++i) {
        many.push_back({4999 - i, QStringLiteral("d%1").arg(4999 - i), QStringLiteral("x")});
    }
    kwin.properties = {{"desktops", marshalled(many)}, {"current", QStringLiteral("d3")}};
    start();
    ASSERT_TRUE(eventually([&] { return known(); }));
    ASSERT_EQ(desktops->table().desktops().size(), KWinDesktopTable::kMaxDesktops);
    EXPECT_EQ(desktops->table().desktops().front().id,
              "d" + std::to_string(5000 - KWinVirtualDesktops::kMaxEntriesRead));
}

TEST_F(KWinBusTest, UnknownShapesAndKWinAwayLeaveNoDesktopsUntilItReturns) {
    kwin.properties = {{"desktops", QStringList{QStringLiteral("a")}},
                       {"current", QStringLiteral("a")}};
    start();
    ASSERT_TRUE(eventually([&] { return kwin.reads == 1; }));
    // A current id of the wrong type, then a signal with nothing in it, are no answer either.
    kwin.properties = {{"desktops", sent({{"a", "A"}})}, {"current", 7}};
    kwin.emitSignal("currentChanged", {});
    ASSERT_TRUE(eventually([&] { return kwin.reads == 2; }));
    kwin.emitSignal("countChanged", {QStringLiteral("not a number")});
    ASSERT_TRUE(eventually([&] { return kwin.reads == 3; }));
    QTest::qWait(0);
    EXPECT_FALSE(known());
    EXPECT_EQ(changes, 0);

    kwin.properties["current"] = QStringLiteral("a");
    kwin.emitSignal("desktopDataChanged", {QStringLiteral("a")});
    ASSERT_TRUE(eventually([&] { return known(); }));
    kwin.leave();
    ASSERT_TRUE(eventually([&] { return !known(); }));
    EXPECT_EQ(changes, 2);
    kwin.come();
    ASSERT_TRUE(eventually([&] { return known(); }));
    EXPECT_EQ(ids(desktops->table()), std::vector<std::string>{"a"});
}

TEST_F(KWinBusTest, RenamesByManagedNumberAndLogsARefusalOncePerDesktop) {
    start();
    KWinDisplays displays;
    KWinWindowMover mover(busParty());
    KWinWindowServer server(*desktops, displays, mover);
    const auto rename = server.spaceServerAPI().renameSpace;
    EXPECT_TRUE(rename(1, "").has_value()); // KWin has said nothing yet
    ASSERT_TRUE(eventually([&] { return known(); }));
    const std::int64_t code = desktops->table().managedSpaceID("b");

    // Over the bound, or a number that names no desktop: a reason, and nothing is sent.
    EXPECT_TRUE(rename(code, std::string(KWinWindowServer::kMaxNameBytes + 1, 'x')).has_value());
    EXPECT_TRUE(rename(code + 100, "Lost").has_value());
    EXPECT_EQ(rename(code, std::string(KWinWindowServer::kMaxNameBytes, 'x')), std::nullopt);
    EXPECT_EQ(rename(code, "📬 Mail"), std::nullopt);
    ASSERT_TRUE(eventually([&] { return kwin.renamed.size() == 2; }));
    EXPECT_EQ(kwin.renamed.back(), (QStringList{"b", "📬 Mail"}));

    // Refused on every refresh: said once for that desktop, a long refusal on one short line.
    kwin.refusal = QStringLiteral("no\n").repeated(1000);
    for (int i = 0; i < 3; ++i) {
        rename(code, "Work");
    }
    rename(desktops->table().managedSpaceID("a"), "Inbox");
    ASSERT_TRUE(eventually([&] { return kwin.renamed.size() == 6 && log.lines.size() == 2; }));
    const std::string& said = log.lines.front().message;
    EXPECT_EQ(said.rfind("KWin refused the name of desktop b: org.kde.KWin.Error: no no", 0), 0u);
    EXPECT_EQ(said.find('\n'), std::string::npos);
    EXPECT_LT(said.size(), 100 + static_cast<std::size_t>(KWinVirtualDesktops::kMaxErrorLogged));

    // Taken once, a later refusal is news again.
    kwin.refusal.clear();
    rename(code, "Work");
    ASSERT_TRUE(eventually([&] { return kwin.renamed.size() == 7; }));
    kwin.refusal = QStringLiteral("busy");
    rename(code, "Play");
    ASSERT_TRUE(eventually([&] { return log.lines.size() == 3; }));
    EXPECT_EQ(log.lines.back().message,
              "KWin refused the name of desktop b: org.kde.KWin.Error: busy");
}

} // namespace
} // namespace quillbar
