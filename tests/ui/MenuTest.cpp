// SPDX-License-Identifier: GPL-3.0-or-later
// The tray menu: its model, the QMenu built from it and the tray item, on the fake platform.
#include "MenuFixture.h"
#include "ui/MenuBarIcon.h"
#include "ui/MenuBarItem.h"
#include "ui/MenuContent.h"

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>

namespace quillbar::test {
namespace {

using Kind = MenuContent::Entry::Kind;

// How many of the image's pixels pass the test.
template <typename Test> int pixelsWhere(const QImage& image, Test test) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += test(image.pixelColor(x, y));
    return count;
}
// Opaque pixels whose channels differ clearly; a monochrome glyph has none.
int colourfulPixels(const QImage& image) {
    return pixelsWhere(image, [](QColor c) {
        return c.alpha() > 128 &&
               (std::abs(c.red() - c.green()) > 40 || std::abs(c.green() - c.blue()) > 40);
    });
}
// Pixels in the palette's highlight colour: the current desktop's check badge.
int highlightPixels(const QImage& image) {
    const QColor mark = QGuiApplication::palette().color(QPalette::Highlight);
    return pixelsWhere(image, [&](QColor c) {
        return std::abs(c.red() - mark.red()) + std::abs(c.green() - mark.green()) +
                   std::abs(c.blue() - mark.blue()) <
               30;
    });
}

// Each line as the menu shows it: "✓" when checked, "---" for a separator, " (off)" when disabled.
QString line(const QString& title, bool separator, bool checked, bool enabled) {
    return (checked ? "✓" : "") + (separator ? "---" : title) + (enabled ? "" : " (off)");
}
QStringList lines(const std::vector<MenuContent::Entry>& entries) {
    QStringList result;
    for (const auto& e : entries)
        result << line(e.title, e.kind == Kind::Separator, e.checked, e.enabled);
    return result;
}
// A desktop row is checked by the badge on its icon, any other by its check box.
QStringList lines(const QMenu& menu) {
    QStringList result;
    for (const QAction* a : menu.actions()) {
        const bool badge = highlightPixels(a->icon().pixmap(16).toImage()) > 10;
        result << line(a->text(), a->isSeparator(), a->isChecked() || badge, a->isEnabled());
    }
    return result;
}

const QStringList commands =
    QString("--- | Rename Spaces… | --- | Launch at Login | --- | Check for Updates… (off) | "
            "Quillbar v1.2.3 (off) | Quit")
        .split(" | ");

class MenuTest : public MenuFixture {
protected:
    std::vector<MenuContent::Entry> build(MenuContent::State state = {}) {
        state.version = QStringLiteral("1.2.3");
        return MenuContent::build(*observer, *switcher, state);
    }
    QAction* action(const QString& text) const {
        for (QAction* candidate : view->menu()->actions())
            if (candidate->text() == text)
                return candidate;
        return nullptr;
    }
    // What opening the menu does.
    void open() { emit view->menu()->aboutToShow(); }
    // The open menu as drawn.
    QImage shown() {
        view->menu()->popup(QPoint(0, 0));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view->menu()));
        const QImage menu = view->menu()->grab().toImage();
        view->menu()->close();
        return menu;
    }
    QImage row(const QImage& menu, int index) const {
        return menu.copy(view->menu()->actionGeometry(view->menu()->actions()[index]));
    }
};

TEST_F(MenuTest, OneDisplayListsEveryDesktopThenTheCommandsRowsEnabledWhereTheyCanSwitch) {
    const auto entries = build();
    EXPECT_EQ(lines(entries),
              QStringList({"Desktop 1", "✓Desktop 2", "Desktop 3", "Desktop 4"}) + commands);
    EXPECT_EQ(lines(*view->menu()), lines(entries));
    // Without anchors or keystrokes only the current desktop can be chosen.
    fake.keyboard.trusted = false;
    fake.workspace.anchorCreationFails = true;
    startWith([] {});
    EXPECT_EQ(lines(build()).mid(0, 4),
              (QStringList{"Desktop 1 (off)", "✓Desktop 2", "Desktop 3 (off)", "Desktop 4 (off)"}));
    fake.keyboard.trusted = true;
    EXPECT_EQ(lines(build()), lines(entries));
}

TEST_F(MenuTest, NoSpacesShowOneInertLineAndTwoDisplaysAHeadedSectionEach) {
    startWith([this] { fake.windowServer.managedDisplaySpaces = nullptr; });
    EXPECT_EQ(lines(build()), QStringList("Desktop ? (off)") + commands);
    EXPECT_EQ(MenuBarIcon::contentFor(*observer), (MenuBarIcon::Content{{}, "?"}));
    startWith([this] {
        using namespace WindowServerAnswers;
        fake.displays.addDisplay(1, "MAIN-UUID", Rect{0, 0, 1920, 1080}, "Built-in Display");
        fake.displays.addDisplay(2, "SIDE-UUID", Rect{1920, 0, 1280, 1024}, "Side Display");
        fake.windowServer.managedDisplaySpaces = nlohmann::json::array(
            {display("MAIN-UUID", {space(1, 0, "uuid-1"), space(2, 0, "uuid-2")}, 2),
             display("SIDE-UUID", {space(3, 0, "uuid-3"), space(4, 0, "uuid-4")}, 3)});
        fake.windowServer.activeSpaceAnswer = 2;
        fake.windowServer.displayCurrentAnswers = {{"MAIN-UUID", 2}, {"SIDE-UUID", 3}};
    });
    // Desktop numbers count per display, each with its checkmark.
    EXPECT_EQ(lines(build()), QStringList({"Built-in Display (off)", "Desktop 1", "✓Desktop 2",
                                           "Side Display (off)", "✓Desktop 1", "Desktop 2"}) +
                                  commands);
}

TEST_F(MenuTest, RowTitlesCarryTheStoredNameAndEmojiAndTheMenuDrawsTheEmojiInColour) {
    store.updateName("Mail", "uuid-1");
    store.updateEmoji("📬", "uuid-1");
    store.updateEmoji("❤️", "uuid-3");
    store.updateName("A name that is far too long to fit", "uuid-4");
    EXPECT_EQ(lines(build()).mid(0, 4),
              (QStringList{"📬 Mail", "✓Desktop 2", "❤️ Desktop 3", "A name that is far …"}));
    open();
    // The emoji is the row's icon, drawn in colour (the text font has the heart in black).
    EXPECT_EQ(lines(*view->menu()).mid(0, 4),
              (QStringList{"Mail", "✓Desktop 2", "Desktop 3", "A name that is far …"}));
    const QImage menu = shown();
    EXPECT_GT(colourfulPixels(row(menu, 2)), 40);
    EXPECT_EQ(colourfulPixels(row(menu, 3)), 0);

    // The current row's mark is the icon's badge, with or without an emoji, and never a check box
    // beside it as well (a style may draw those in a column of their own).
    EXPECT_FALSE(action("Desktop 2")->isCheckable());
    const int plainMark = highlightPixels(row(menu, 1));
    EXPECT_GT(plainMark, 10);
    EXPECT_EQ(highlightPixels(row(menu, 3)), 0);
    fake.setDesktops(4, 1);
    open();
    const QImage moved = shown();
    const int emojiMark = highlightPixels(row(moved, 0));
    EXPECT_GT(emojiMark, plainMark * 3 / 4);
    EXPECT_LT(emojiMark, plainMark * 4 / 3);
    EXPECT_EQ(highlightPixels(row(moved, 1)), 0);
}

// A closed menu catches up when it opens; an open one changes its items in place without drawing
// emoji icons again, until a new list of desktops builds it anew.
TEST_F(MenuTest, AClosedMenuCatchesUpWhenItOpensAndAnOpenOneIsUpdatedInPlace) {
    const QStringList closed = lines(*view->menu());
    fake.setDesktops(4, 3);
    observer->refresh();
    store.updateName("Mail", "uuid-1");
    settle();
    EXPECT_EQ(lines(*view->menu()), closed);
    open();
    EXPECT_EQ(lines(*view->menu()).mid(0, 4),
              (QStringList{"Mail", "Desktop 2", "✓Desktop 3", "Desktop 4"}));
    EXPECT_EQ(lines(view->entries()), lines(*view->menu()));
    // Choosing a row switches; until the window manager reports it, the check stays put.
    const std::size_t linesBefore = fake.log.lines.size();
    action("Mail")->trigger();
    ASSERT_GT(fake.log.messages().size(), linesBefore);
    EXPECT_EQ(fake.log.messages()[linesBefore], "Anchor switch to uuid-1");
    settle();
    EXPECT_EQ(lines(*view->menu())[0], "Mail");

    view->menu()->popup(QPoint(0, 0));
    ASSERT_TRUE(view->menu()->isVisible());
    store.updateEmoji("📬", "uuid-1");
    settle();
    const QList<QAction*> before = view->menu()->actions();
    const qint64 emojiIcon = before[0]->icon().cacheKey();
    fake.setDesktops(4, 2);
    observer->refresh();
    settle();
    EXPECT_EQ(view->menu()->actions(), before);
    EXPECT_EQ(lines(*view->menu()).mid(0, 4),
              (QStringList{"Mail", "✓Desktop 2", "Desktop 3", "Desktop 4"}));
    EXPECT_EQ(view->menu()->actions()[0]->icon().cacheKey(), emojiIcon);
    store.updateName("Post", "uuid-1");
    settle();
    EXPECT_EQ(view->menu()->actions()[0]->text(), "Post");
    fake.setDesktops(5, 3);
    observer->refresh();
    settle();
    EXPECT_EQ(lines(*view->menu()),
              QStringList({"Post", "Desktop 2", "✓Desktop 3", "Desktop 4", "Desktop 5"}) +
                  commands);
    view->menu()->hide();
}

// Where the session starts no XDG autostart entries, the menu says so under "Launch at Login".
TEST_F(MenuTest, LaunchAtLoginSaysWhereTheSessionDoesNotRunLoginItems) {
    EXPECT_EQ(XdgAutostart::sessionIgnoringEntries("X-Foo:labwc"), "labwc");
    EXPECT_EQ(XdgAutostart::sessionIgnoringEntries("XFCE"), "");
    MenuContent::State state;
    state.sessionIgnoringLogin = "sway";
    const QStringList shown = lines(build(state));
    const qsizetype launch = shown.indexOf("Launch at Login");
    ASSERT_GE(launch, 0);
    EXPECT_TRUE(shown[launch + 1].startsWith("sway runs no login items"));
    EXPECT_EQ(lines(build())[launch + 1], "---");
}

TEST_F(MenuTest, CommandsReachTheirReceiversAndFollowTheirState) {
    QSignalSpy rename(view.get(), &MenuContentView::renameRequested);
    QSignalSpy quit(view.get(), &MenuContentView::quitRequested);
    action("Rename Spaces…")->trigger();
    action("Quit")->trigger();
    // The shortcut works while the menu is open.
    QKeyEvent controlQ(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier);
    QCoreApplication::sendEvent(view->menu(), &controlQ);
    EXPECT_EQ(rename.count(), 1);
    EXPECT_EQ(quit.count(), 2);
    view->setUpdateState(true, true);
    settle();
    EXPECT_EQ(lines(*view->menu())[9], "Update Available…");
    view->setUpdateState(false, false);
    settle();
    EXPECT_EQ(lines(*view->menu())[9], "Check for Updates… (off)");

    // Launch at login writes the entry; switched off outside, the next opening shows it.
    action("Launch at Login")->trigger();
    settle();
    EXPECT_TRUE(action("Launch at Login")->isChecked());
    ASSERT_TRUE(QFile::remove(home.filePath("autostart/quillbar.desktop")));
    EXPECT_TRUE(action("Launch at Login")->isChecked());
    open();
    EXPECT_FALSE(action("Launch at Login")->isChecked());
}

TEST_F(MenuTest, TrayItemFollowsEachRefreshWithTitleIconAndHint) {
    MenuBarItem item(*observer, view->menu());
    item.setTooltipHint("Hint");
    EXPECT_EQ(item.toolTip(), "Desktop 2\nHint");
    store.updateEmoji("🦊", "uuid-2");
    store.updateName("Fox", "uuid-2");
    settle();
    EXPECT_EQ(item.toolTip(), "🦊 Fox\nHint");
    EXPECT_EQ(item.iconContent(), (MenuBarIcon::Content{"🦊", {}}));
    fake.setDesktops(4, 3);
    observer->refresh();
    settle();
    EXPECT_EQ(item.toolTip(), "Desktop 3\nHint");
    EXPECT_EQ(item.iconContent(), (MenuBarIcon::Content{{}, "3"}));
}

TEST_F(MenuTest, TheTrayIconIsDrawnForThePixelRatioInColourAndLegibleAt16Pixels) {
    // A tray asking for 22 points gets pixels drawn at the ratio's size, not scaled (Qt 6.8).
    for (const auto& [ratio, pixels] : {std::pair{1.25, 28}, std::pair{2.0, 44}}) {
        const QPixmap sharp = MenuBarIcon::icon({{}, "7"}).pixmap(QSize(22, 22), ratio);
        EXPECT_EQ(sharp.devicePixelRatio(), ratio);
        EXPECT_EQ(sharp.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                  MenuBarIcon::render({{}, "7"}, pixels))
            << ratio;
    }
    EXPECT_GT(colourfulPixels(MenuBarIcon::render({"🦊", {}}, 64)), 200);
    // At 16 pixels the digits of "12" are apart, bright and tall: two runs of white columns.
    const QImage small = MenuBarIcon::render({{}, "12"}, 16);
    QString columns;
    int tallest = 0;
    for (int x = 0; x < 16; ++x) {
        int ink = 0;
        for (int y = 0; y < 16; ++y)
            ink += qGray(small.pixel(x, y)) > 170 && qAlpha(small.pixel(x, y)) > 200;
        columns += ink > 0 ? '#' : '.';
        tallest = std::max(tallest, ink);
    }
    EXPECT_EQ(columns.split('.', Qt::SkipEmptyParts).size(), 2) << columns.toStdString();
    EXPECT_GE(tallest, 7) << columns.toStdString();

    // On a panel of the badge's own blue the square's edge still stands out.
    for (const int size : {22, 44}) {
        QImage onPanel(size, size, QImage::Format_ARGB32_Premultiplied);
        onPanel.fill(QColor(0x2b, 0x57, 0x9a));
        QPainter(&onPanel).drawImage(0, 0, MenuBarIcon::render({{}, "3"}, size));
        const int edge = size < 24 ? 0 : size / 16;
        EXPECT_GT(std::max(onPanel.pixelColor(size / 2, edge).lightness(),
                           onPanel.pixelColor(size / 2, edge + 1).lightness()),
                  170)
            << size << " px";
    }
}

TEST(MenuPlacementTest, TheMenuOpensBesideTheTrayIconInTheWorkAreaInLogicalPixels) {
    // A panel at the top: below the icon; at the bottom: above it; on a panel taller than the
    // icon (28 px at the top, 30 at the bottom), beside the panel; always inside the area.
    const QRect screen(0, 0, 1280, 800), area(0, 28, 1280, 742);
    const struct {
        QRect icon, area;
        QPoint menu;
    } placements[] = {{{1200, 0, 24, 24}, screen, {1080, 24}},
                      {{40, 776, 24, 24}, screen, {40, 476}},
                      {{1258, 2, 22, 22}, area, {1080, 28}},
                      {{40, 774, 22, 22}, area, {40, 470}}};
    for (const auto& row : placements)
        EXPECT_EQ(MenuBarItem::menuPosition(row.icon, row.area, QSize(200, 300)), row.menu)
            << &row - placements;
    // Qt 6.11 at scale 2 reports a 58 px panel's offset in device pixels; earlier Qt, and any
    // area inside the screen, are taken as they are; a second screen scales from its corner.
    const struct {
        QRect screen, reported;
        qreal ratio;
        QRect area;
    } areas[] = {{{0, 0, 640, 400}, {0, 58, 640, 371}, 2, {0, 29, 640, 371}},
                 {{0, 0, 640, 400}, {0, 29, 640, 371}, 2, {0, 29, 640, 371}},
                 {{0, 0, 640, 400}, {0, 0, 640, 371}, 2, {0, 0, 640, 371}},
                 {{0, 0, 1280, 800}, {0, 28, 1280, 772}, 1, {0, 28, 1280, 772}},
                 {{640, 0, 640, 400}, {640, 58, 640, 371}, 2, {640, 29, 640, 371}}};
    for (const auto& row : areas)
        EXPECT_EQ(MenuBarItem::workArea(row.screen, row.reported, row.ratio), row.area)
            << &row - areas;
}

} // namespace
} // namespace quillbar::test
