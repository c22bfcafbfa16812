#include "ui/MenuContentView.h"
#include "MenuFixture.h"
#include "ui/MenuBarIcon.h"
#include "ui/MenuBarItem.h"

#include <QAction>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace quillbar::test {
namespace {

class MenuContentViewTest : public MenuFixture {
protected:
    void SetUp() override {
        MenuFixture::SetUp();
        ASSERT_TRUE(home.isValid());
        view = std::make_unique<MenuContentView>(*observer, store, autostart(),
                                                 QStringLiteral("1.2.3"));
    }

    XdgAutostart autostart() const {
        return XdgAutostart(home.filePath("autostart"), {}, QStringLiteral("/usr/bin/quillbar"));
    }

    QList<QAction*> actions() const { return view->menu()->actions(); }

    QAction* action(const QString& text) const {
        for (QAction* candidate : actions()) {
            if (candidate->text() == text) {
                return candidate;
            }
        }
        return nullptr;
    }

    QStringList checkedRows() const {
        QStringList result;
        for (QAction* candidate : actions()) {
            if (candidate->isChecked() && candidate->text().startsWith("Desktop")) {
                result << candidate->text();
            }
        }
        return result;
    }

    // What opening the menu does.
    void open() { emit view->menu()->aboutToShow(); }

    QTemporaryDir home;
    std::unique_ptr<MenuContentView> view;
};

TEST_F(MenuContentViewTest, TheMenuShowsTheEntries) {
    const QList<QAction*> all = actions();
    ASSERT_EQ(all.size(), static_cast<qsizetype>(view->entries().size()));
    for (qsizetype i = 0; i < all.size(); ++i) {
        const MenuContent::Entry& entry = view->entries()[static_cast<std::size_t>(i)];
        EXPECT_EQ(all[i]->isSeparator(), entry.kind == MenuContent::Entry::Kind::Separator);
        EXPECT_EQ(all[i]->text(), entry.title);
        EXPECT_EQ(all[i]->isChecked(), entry.checked);
        EXPECT_EQ(all[i]->isEnabled(), entry.enabled);
    }
    EXPECT_EQ(action("Quit")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(checkedRows(), QStringList{"Desktop 2"});
}

TEST_F(MenuContentViewTest, OpeningRefreshesSoTheCheckmarkFollowsTheCurrentDesktop) {
    fake.setDesktops(4, 3);
    EXPECT_EQ(checkedRows(), QStringList{"Desktop 2"});
    open();
    EXPECT_EQ(checkedRows(), QStringList{"Desktop 3"});
}

TEST_F(MenuContentViewTest, RenamesRedrawOnTheNextTurnOfTheLoop) {
    store.updateName("Mail", "uuid-1");
    settle();
    EXPECT_NE(action("Mail"), nullptr);
}

TEST_F(MenuContentViewTest, ChoosingARowSwitchesWithThatRecordAndKeepsTheModelsCheckmark) {
    fake.keyboard.trusted = true;
    open();
    QAction* row = action("Desktop 3");
    ASSERT_NE(row, nullptr);
    ASSERT_TRUE(row->isEnabled());
    const std::size_t linesBefore = fake.log.lines.size();
    row->trigger();
    const auto lines = fake.log.messages();
    ASSERT_GT(lines.size(), linesBefore);
    EXPECT_EQ(lines[linesBefore], "Anchor switch to uuid-3");
    settle();
    // Until the window manager reports the switch, the row stays unchecked.
    EXPECT_EQ(checkedRows(), QStringList{"Desktop 2"});
}

TEST_F(MenuContentViewTest, CommandsReachTheirReceivers) {
    QSignalSpy rename(view.get(), &MenuContentView::renameRequested);
    QSignalSpy quit(view.get(), &MenuContentView::quitRequested);
    action("Rename Spaces…")->trigger();
    action("Quit")->trigger();
    EXPECT_EQ(rename.count(), 1);
    EXPECT_EQ(quit.count(), 1);
    // The shortcut works while the menu is open.
    QKeyEvent controlQ(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier);
    QCoreApplication::sendEvent(view->menu(), &controlQ);
    EXPECT_EQ(quit.count(), 2);
    // The update command stays disabled until an updater enables it.
    EXPECT_FALSE(action("Check for Updates…")->isEnabled());
    view->setUpdateState(true, true);
    settle();
    ASSERT_NE(action("Update Available…"), nullptr);
    EXPECT_TRUE(action("Update Available…")->isEnabled());
}

TEST_F(MenuContentViewTest, LaunchAtLoginWritesTheEntryAndRereadsItOnOpening) {
    action("Launch at Login")->trigger();
    settle();
    const QString entry = home.filePath("autostart/quillbar.desktop");
    EXPECT_TRUE(QFile::exists(entry));
    EXPECT_TRUE(action("Launch at Login")->isChecked());

    // Switched off outside the program: the next opening shows it.
    ASSERT_TRUE(QFile::remove(entry));
    EXPECT_TRUE(action("Launch at Login")->isChecked());
    open();
    EXPECT_FALSE(action("Launch at Login")->isChecked());
}

TEST_F(MenuContentViewTest, TrayItemShowsTheTitleIconAndHint) {
    MenuBarItem item(*observer, view->menu());
    EXPECT_EQ(item.toolTip(), "Desktop 2");
    EXPECT_EQ(item.iconContent(), (MenuBarIcon::Content{{}, "2"}));
    item.setTooltipHint("Quillbar — click to name or switch desktops");
    EXPECT_EQ(item.toolTip(), "Desktop 2\nQuillbar — click to name or switch desktops");

    store.updateEmoji("🦊", "uuid-2");
    store.updateName("Fox", "uuid-2");
    settle();
    EXPECT_EQ(item.toolTip(), "🦊 Fox\nQuillbar — click to name or switch desktops");
    EXPECT_EQ(item.iconContent(), (MenuBarIcon::Content{"🦊", {}}));
}

TEST_F(MenuContentViewTest, IconWithoutCurrentSpaceIsAQuestionMarkBadge) {
    startWith([this] { fake.windowServer.managedDisplaySpaces = nullptr; });
    EXPECT_EQ(MenuBarIcon::contentFor(*observer), (MenuBarIcon::Content{{}, "?"}));
}

// Counts pixels whose channels differ clearly: a monochrome glyph has none.
int colourfulPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 128 &&
                (std::abs(c.red() - c.green()) > 40 || std::abs(c.green() - c.blue()) > 40)) {
                ++count;
            }
        }
    }
    return count;
}

TEST(MenuBarIconTest, EmojiIsDrawnInColourAndBadgesFillTheirSquare) {
    const QImage fox = MenuBarIcon::render({"🦊", {}}, 64);
    EXPECT_GT(colourfulPixels(fox), 200);
    const QImage badge = MenuBarIcon::render({{}, "12"}, 22);
    EXPECT_EQ(badge.size(), QSize(22, 22));
    EXPECT_GT(badge.pixelColor(11, 3).alpha(), 200); // the badge, not a transparent hole
}

} // namespace
} // namespace quillbar::test
