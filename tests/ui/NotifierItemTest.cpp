// SPDX-License-Identifier: GPL-3.0-or-later
// The tray item as Quillbar's own StatusNotifierItem and its dbusmenu, wired as on Wayland, on a
// private session bus with a stand-in watcher.
#include "MenuFixture.h"
#include "services/BusObject.h"
#include "ui/DBusMenuExporter.h"
#include "ui/MenuBarItem.h"
#include "ui/StatusNotifierItem.h"

#include <QDBusArgument>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QSignalSpy>

namespace quillbar::test {
namespace {

using Layout = DBusMenuExporter::LayoutNode;
using Pixmap = StatusNotifierItem::Pixmap;

// A watcher that lists whoever registers, on a connection of its own each time it starts.
class StandInWatcher final : public QDBusVirtualObject {
public:
    QStringList registered;

    void start() {
        bus_ = busParty();
        bus_.registerVirtualObject(StatusNotifierItem::kWatcherPath, this);
        bus_.registerService(StatusNotifierItem::kWatcher);
    }
    void stop() {
        bus_.unregisterService(StatusNotifierItem::kWatcher);
        bus_.unregisterObject(StatusNotifierItem::kWatcherPath);
        QDBusConnection::disconnectFromBus(bus_.name());
    }
    ~StandInWatcher() override { stop(); }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("RegisterStatusNotifierItem")) {
            return false;
        }
        registered << message.arguments().value(0).toString();
        connection.send(message.createReply());
        return true;
    }

private:
    QDBusConnection bus_{QString()};
};

class NotifierItemTest : public BusMenuFixture {
protected:
    NotifierItemTest() {
        auto* menu = new DBusMenuExporter(
            menuObject, [this] { return view->currentEntries(); },
            [this] { view->prepareToShow(); },
            [this](const MenuContent::Entry& entry) { view->perform(entry); });
        QObject::connect(view.get(), &MenuContentView::entriesChanged, menu,
                         &DBusMenuExporter::update);
        sni = new StatusNotifierItem(itemObject, menuObject.path());
        EXPECT_TRUE(menuObject.serve());
        EXPECT_TRUE(itemObject.serve());
        item = std::make_unique<MenuBarItem>(*observer, view->menu());
        item->useNotifierItem(sni);
    }

    QVariantMap itemProperties() {
        const QDBusMessage reply =
            call(StatusNotifierItem::kPath, "org.freedesktop.DBus.Properties", "GetAll",
                 {QString::fromLatin1(StatusNotifierItem::kInterface)});
        return qdbus_cast<QVariantMap>(reply.arguments().value(0).value<QDBusArgument>());
    }
    Layout layout() {
        const QDBusMessage reply = call(DBusMenuExporter::kPath, DBusMenuExporter::kInterface,
                                        "GetLayout", {0, -1, QStringList()});
        EXPECT_EQ(reply.signature(), "u(ia{sv}av)") << reply.errorMessage().toStdString();
        return qdbus_cast<Layout>(reply.arguments().value(1).value<QDBusArgument>());
    }
    static const Layout* labelled(const Layout& root, const QString& label) {
        for (const Layout& child : root.children)
            if (child.properties.value("label").toString() == label)
                return &child;
        return nullptr;
    }
    void click(int id) {
        call(DBusMenuExporter::kPath, DBusMenuExporter::kInterface, "Event",
             {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
        QTest::qWait(0);
        fake.mainQueue.drain(); // the switch's landing checks
    }

    BusObject menuObject{bus, DBusMenuExporter::kPath};
    BusObject itemObject{bus, StatusNotifierItem::kPath};
    StatusNotifierItem* sni = nullptr;
    std::unique_ptr<MenuBarItem> item;
};

TEST_F(NotifierItemTest, HostsReadAMenuItemWithTheTrayIconAndTooltip) {
    item->setTooltipHint("Click for the menu");
    const QVariantMap properties = itemProperties();
    EXPECT_EQ(properties.value("Status").toString(), "Passive"); // not shown yet
    EXPECT_TRUE(properties.value("ItemIsMenu").toBool());
    EXPECT_EQ(properties.value("Menu").value<QDBusObjectPath>().path(), DBusMenuExporter::kPath);

    const auto tip =
        qdbus_cast<StatusNotifierItem::ToolTip>(properties.value("ToolTip").value<QDBusArgument>());
    EXPECT_EQ(tip.title, "Desktop 2");
    EXPECT_EQ(tip.description, "Click for the menu");

    const auto pixmaps =
        qdbus_cast<QList<Pixmap>>(properties.value("IconPixmap").value<QDBusArgument>());
    ASSERT_EQ(pixmaps.size(), qsizetype(std::size(StatusNotifierItem::kIconSizes)));
    for (const Pixmap& pixmap : pixmaps) {
        EXPECT_EQ(pixmap.width, pixmap.height);
        EXPECT_LE(pixmap.width, 64);
        ASSERT_EQ(pixmap.pixels.size(), qsizetype(pixmap.width) * pixmap.height * 4);
        // The badge fills the middle: opaque there, alpha first (network byte order), and the
        // corner of the rounded square is (nearly) transparent.
        const qsizetype middle =
            (qsizetype(pixmap.height / 2) * pixmap.width + pixmap.width / 2) * 4;
        EXPECT_EQ(quint8(pixmap.pixels[middle]), 0xff) << pixmap.width;
        EXPECT_LT(quint8(pixmap.pixels[0]), 0x20) << pixmap.width;
    }
}

TEST_F(NotifierItemTest, TheHostsMenuServesTheDesktopsAndIgnoresClicksOnOldLayouts) {
    const Layout root = layout();
    EXPECT_EQ(root.id, 0);
    const Layout* second = labelled(root, "Desktop 2");
    const Layout* third = labelled(root, "Desktop 3");
    ASSERT_TRUE(second && third);
    EXPECT_EQ(second->properties.value("toggle-type").toString(), "checkmark");
    EXPECT_EQ(second->properties.value("toggle-state").toInt(), 1);
    EXPECT_EQ(third->properties.value("toggle-state"), 0);

    click(third->id);
    EXPECT_EQ(fake.windowServer.showSpaceCalls, (std::vector<std::int64_t>{3}));
    // Other events and unknown ids do nothing.
    QSignalSpy rename(view.get(), &MenuContentView::renameRequested);
    const int oldRename = labelled(root, "Rename Spaces…")->id;
    call(DBusMenuExporter::kPath, DBusMenuExporter::kInterface, "Event",
         {oldRename, QStringLiteral("hovered"), QVariant::fromValue(QDBusVariant(0)), 0u});
    click(99999);
    EXPECT_EQ(rename.count(), 0);

    // Opening refreshes: desktops gone make a new layout, whose ids are new: the old id of
    // "Rename Spaces…" does not land on the row now in its place ("Launch at Login").
    fake.setDesktops(2, 1);
    const QDBusMessage opened =
        call(DBusMenuExporter::kPath, DBusMenuExporter::kInterface, "AboutToShow", {0});
    EXPECT_TRUE(opened.arguments().value(0).toBool());
    const Layout fewer = layout();
    EXPECT_EQ(labelled(fewer, "Desktop 3"), nullptr);
    click(oldRename);
    EXPECT_FALSE(QFile::exists(home.filePath("autostart/quillbar.desktop")));
    click(labelled(fewer, "Rename Spaces…")->id);
    EXPECT_EQ(rename.count(), 1);

    // A host may read the layout long before it opens the menu: it reads the desktops as they
    // are, not as the closed menu last showed them.
    fake.setDesktops(3, 3);
    observer->refresh();
    settle();
    const Layout later = layout();
    ASSERT_TRUE(labelled(later, "Desktop 3"));
    EXPECT_EQ(labelled(later, "Desktop 3")->properties.value("toggle-state"), 1);
}

TEST_F(NotifierItemTest, RegistersWhenShownAndAgainWhenTheWatcherRestarts) {
    StandInWatcher watcher;
    item->show(); // no watcher yet: nothing to register with
    watcher.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.registered.size() == 1; }, 5000));
    EXPECT_EQ(watcher.registered.front(), bus.baseService());
    EXPECT_EQ(itemProperties().value("Status").toString(), "Active");

    watcher.stop();
    watcher.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.registered.size() == 2; }, 5000));
    // Hidden (a top-bar button shows the title) the item is passive; shown again it registers.
    item->hide();
    EXPECT_EQ(itemProperties().value("Status").toString(), "Passive");
    item->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.registered.size() == 3; }, 5000));
    EXPECT_EQ(watcher.registered.back(), bus.baseService());
}

} // namespace
} // namespace quillbar::test
