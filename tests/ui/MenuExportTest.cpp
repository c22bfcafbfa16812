// SPDX-License-Identifier: GPL-3.0-or-later
// The menu on the bus and the top-bar button that replaces the tray item, on a private bus.
#include "MenuFixture.h"
#include "services/BusObject.h"
#include "services/TitleExporter.h"
#include "services/TopBarButtonWatcher.h"
#include "ui/MenuExporter.h"

#include <QDBusArgument>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSignalSpy>

namespace quillbar::test {
namespace {

using Row = MenuExporter::Row;

// The title object with the menu beside it, as the application wires them.
class MenuExportTest : public BusMenuFixture {
protected:
    MenuExportTest() {
        new TitleExporter(object, "Desktop 2");
        new MenuExporter(
            object,
            [this] {
                view->prepareToShow();
                return view->entries();
            },
            [this](const MenuContent::Entry& entry) { view->perform(entry); });
        EXPECT_TRUE(object.serve());
    }

    // GetMenu's revision and rows; any other shape fails the test.
    std::pair<uint, QList<Row>> getMenu() {
        const QDBusMessage reply =
            call(TitleExporter::kPath, MenuExporter::kInterface, "GetMenu", {});
        EXPECT_EQ(reply.signature(), "ua(sssbbb)") << reply.errorMessage().toStdString();
        if (reply.arguments().size() != 2) {
            return {};
        }
        return {reply.arguments()[0].toUInt(),
                qdbus_cast<QList<Row>>(reply.arguments()[1].value<QDBusArgument>())};
    }
    QString choose(uint revision, uint row) {
        const QDBusMessage reply =
            call(TitleExporter::kPath, MenuExporter::kInterface, "Choose", {revision, row});
        // The row runs on the loop's turn after the reply, which the wait may not have reached.
        QCoreApplication::sendPostedEvents();
        return reply.type() == QDBusMessage::ErrorMessage ? reply.errorName()
                                                          : QStringLiteral("ok");
    }
    static int indexOf(const QList<Row>& rows, const QString& kind) {
        for (int i = 0; i < rows.size(); ++i)
            if (rows[i].kind == kind)
                return i;
        return -1;
    }

    BusObject object{bus, TitleExporter::kPath};
};

TEST_F(MenuExportTest, GetMenuServesTheTrayMenusRowsBesideTheTitleAfterARefresh) {
    store.updateName("Mail", "uuid-1");
    store.updateEmoji("📬", "uuid-1");
    fake.mainQueue.drain();
    // The other rows' kinds are what Choose finds them by.
    const auto [revision, rows] = getMenu();
    ASSERT_EQ(rows.size(), 12);
    EXPECT_EQ(rows[0], (Row{"space", "📬 Mail", "📬", true, false, true}));
    EXPECT_EQ(rows[1], (Row{"space", "Desktop 2", "", true, true, true}));
    EXPECT_EQ(rows[9], (Row{"check-for-updates", "Check for Updates…", "", false, false, false}));
    EXPECT_EQ(rows[10].kind, "text"); // the version line

    // Each call is a new revision built after a refresh: a desktop that went is gone at once.
    fake.setDesktops(3, 3);
    const auto [next, fewer] = getMenu();
    EXPECT_EQ(next, revision + 1);
    EXPECT_EQ(indexOf(fewer, "separator"), 3);
    EXPECT_TRUE(fewer[2].checked);

    const QDBusMessage titleReply = // still served on the same object
        call(TitleExporter::kPath, "org.freedesktop.DBus.Properties", "Get",
             {QString::fromLatin1(TitleExporter::kInterface), QStringLiteral("MenuBarTitle")});
    EXPECT_EQ(titleReply.arguments().value(0).value<QDBusVariant>().variant().toString(),
              "Desktop 2");
}

TEST_F(MenuExportTest, ChooseActsOnlyOnLiveRowsOfTheLatestMenu) {
    const QString stale = MenuExporter::kStaleMenu;
    const QString noRow = MenuExporter::kNoSuchRow;
    EXPECT_EQ(choose(0, 0), stale); // no menu handed out yet
    const auto [first, rows] = getMenu();
    EXPECT_EQ(choose(first + 1, 0), stale);
    // Out of range, a separator, the version line, and the update command while it cannot check.
    for (const uint row : {uint(rows.size()), 4000000000u, uint(indexOf(rows, "separator")),
                           uint(indexOf(rows, "text")), uint(indexOf(rows, "check-for-updates"))}) {
        EXPECT_EQ(choose(first, row), noRow) << row;
    }
    EXPECT_TRUE(fake.windowServer.showSpaceCalls.empty());

    const auto [second, again] = getMenu();
    EXPECT_EQ(choose(first, 2), stale); // the earlier menu is over
    EXPECT_EQ(choose(second, 2), "ok");
    EXPECT_EQ(fake.windowServer.showSpaceCalls, (std::vector<std::int64_t>{3}));

    QSignalSpy rename(view.get(), &MenuContentView::renameRequested);
    QSignalSpy quit(view.get(), &MenuContentView::quitRequested);
    EXPECT_EQ(choose(second, uint(indexOf(again, "rename"))), "ok");
    EXPECT_EQ(choose(second, uint(indexOf(again, "quit"))), "ok");
    EXPECT_EQ(rename.count(), 1);
    EXPECT_EQ(quit.count(), 1);
    EXPECT_EQ(choose(second, uint(indexOf(again, "launch-at-login"))), "ok");
    EXPECT_TRUE(QFile::exists(home.filePath("autostart/quillbar.desktop")));
}

// The Shell extension's service as far as the watcher reads it.
class FakeShell final : public QDBusVirtualObject {
public:
    FakeShell()
        : bus_(busParty()) {
        bus_.registerVirtualObject(TopBarButtonWatcher::kPath, this);
    }
    ~FakeShell() override {
        leave();
        bus_.unregisterObject(TopBarButtonWatcher::kPath);
    }

    QVariant button = true;
    int reads = 0;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("Get")) {
            return false;
        }
        ++reads;
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(button))));
        return true;
    }
    void change(const QVariant& value) {
        button = value;
        QDBusMessage signal = QDBusMessage::createSignal(
            TopBarButtonWatcher::kPath, "org.freedesktop.DBus.Properties", "PropertiesChanged");
        signal << QString::fromLatin1(TopBarButtonWatcher::kInterface)
               << QVariantMap{{TopBarButtonWatcher::kProperty, value}} << QStringList();
        bus_.send(signal);
    }
    void come() { bus_.registerService(TopBarButtonWatcher::kService); }
    void leave() { bus_.unregisterService(TopBarButtonWatcher::kService); }

private:
    QDBusConnection bus_;
};

TEST(TopBarButtonTest, TheTrayItemGivesWayOnlyWhileTheServiceSaysItsButtonIsShown) {
    FakeShell shell;
    TopBarButtonWatcher watcher(busParty());
    const auto becomes = [&](bool shown) {
        return QTest::qWaitFor([&] { return watcher.buttonShown() == shown; }, 10000);
    };
    ASSERT_TRUE(becomes(false)); // no service: at once, no button
    QSignalSpy changes(&watcher, &TopBarButtonWatcher::buttonShownChanged);
    shell.come();
    ASSERT_TRUE(becomes(true));
    shell.change(QStringLiteral("true")); // not a boolean
    ASSERT_TRUE(becomes(false));
    shell.change(true);
    ASSERT_TRUE(becomes(true));
    shell.leave(); // the extension disabled, or the Shell gone
    ASSERT_TRUE(becomes(false));
    QList<bool> seen;
    for (const auto& change : changes)
        seen << change.first().toBool();
    EXPECT_EQ(seen, (QList<bool>{true, false, true, false}));

    // A flood of change signals costs one read at a time, and the newest answer wins.
    shell.come();
    ASSERT_TRUE(becomes(true));
    const int before = shell.reads;
    constexpr int kSignals = 2000;
    for (int i = 1; i <= kSignals; ++i)
        shell.change(i % 2 == 1); // ends on false
    ASSERT_TRUE(becomes(false));
    shell.change(true);
    ASSERT_TRUE(becomes(true));
    EXPECT_LT(shell.reads - before, kSignals / 20);
    TopBarButtonWatcher late(busParty()); // started while the service is there
    EXPECT_TRUE(QTest::qWaitFor([&] { return late.buttonShown() == true; }, 10000));
}

} // namespace
} // namespace quillbar::test
