#include "ui/SettingsView.h"
#include "RenameFixture.h"
#include "ui/MenuBarLocationHint.h"
#include "ui/SettingsSpaceRow.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace quillbar::test {
namespace {

using namespace std::chrono_literals;

class SettingsViewTest : public RenameFixture {
protected:
    SettingsView& makeView() {
        view = std::make_unique<SettingsView>(observer, store, defaults);
        view->resize(700, 460);
        return *view;
    }

    // Shows the view as its window and lets the first appearance run.
    void showView() {
        view->show();
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
        fake.mainQueue.drain();
    }

    // The listed rows' keys, top to bottom.
    std::vector<std::string> listedKeys() const {
        std::vector<std::string> keys;
        for (SettingsSpaceRow* row : view->rows())
            keys.push_back(row->space().persistenceID.value_or("-"));
        return keys;
    }

    SettingsSpaceRow* row(const std::string& key) const {
        for (SettingsSpaceRow* r : view->rows())
            if (r->space().persistenceID == key)
                return r;
        return nullptr;
    }

    std::unique_ptr<SettingsView> view;
};

TEST_F(SettingsViewTest, RowsKeepTheirOrderWhileDesktopsAreAddedRemovedAndMoved) {
    makeView();
    showView();
    EXPECT_EQ(listedKeys(), (std::vector<std::string>{"uuid-1", "uuid-2", "uuid-3"}));

    // A desktop created between two others is listed last.
    setSpaces({{1, 0, "uuid-1"}, {9, 0, "uuid-9"}, {2, 0, "uuid-2"}, {3, 0, "uuid-3"}}, 1);
    EXPECT_EQ(listedKeys(), (std::vector<std::string>{"uuid-1", "uuid-2", "uuid-3", "uuid-9"}));
    EXPECT_EQ(row("uuid-9")->numberLabel()->text(), "2");

    // Reordered desktops keep their rows; one that vanishes and comes back takes its old place.
    setSpaces({{3, 0, "uuid-3"}, {9, 0, "uuid-9"}, {1, 0, "uuid-1"}}, 1);
    EXPECT_EQ(listedKeys(), (std::vector<std::string>{"uuid-1", "uuid-3", "uuid-9"}));
    setSpaces({{2, 0, "uuid-2"}, {3, 0, "uuid-3"}, {9, 0, "uuid-9"}, {1, 0, "uuid-1"}}, 1);
    EXPECT_EQ(listedKeys(), (std::vector<std::string>{"uuid-1", "uuid-2", "uuid-3", "uuid-9"}));
    EXPECT_EQ(view->rowOrder(), (std::vector<std::string>{"uuid-1", "uuid-2", "uuid-3", "uuid-9"}));

    // A new view (a new process) takes the order as it is now.
    makeView();
    EXPECT_EQ(listedKeys(), (std::vector<std::string>{"uuid-2", "uuid-3", "uuid-9", "uuid-1"}));
}

TEST_F(SettingsViewTest, RowsKeepWhatIsTypedAcrossRedraws) {
    makeView();
    showView();
    SettingsSpaceRow* second = row("uuid-2");
    QTest::keyClicks(second->nameField(), " Mail ");
    fake.mainQueue.drain(); // the store's and the title's announcements redraw the view
    setSpaces({{3, 0, "uuid-3"}, {2, 0, "uuid-2"}, {1, 0, "uuid-1"}}, 2);
    EXPECT_EQ(row("uuid-2"), second);
    EXPECT_EQ(second->nameField()->text(), " Mail ");
    EXPECT_EQ(store.assignment("uuid-2").name, "Mail");
    EXPECT_EQ(observer.menuBarTitle(), "Mail");
}

TEST_F(SettingsViewTest, CaptionsOnlyForTwoOrMoreDisplays) {
    makeView();
    EXPECT_TRUE(view->captions().empty());

    setTwoDisplays({{1, 0, "uuid-1"}, {2, 0, "uuid-2"}}, {{7, 0, "side-7"}}, 1);
    ASSERT_EQ(view->captions().size(), 2u);
    EXPECT_EQ(view->captions()[0]->text(), "Built-in Display");
    EXPECT_EQ(view->captions()[1]->text(), "Studio Display");
    EXPECT_EQ(listedKeys(), (std::vector<std::string>{"uuid-1", "uuid-2", "side-7"}));
    EXPECT_EQ(row("side-7")->displayLabel()->text(), "Studio Display");

    setDesktops(2, 1);
    EXPECT_TRUE(view->captions().empty());
}

TEST_F(SettingsViewTest, TheFooterCountsEveryDetectedSpace) {
    makeView();
    setSpaces({{1, 0, "uuid-1"}, {5, 4, "fs-5"}, {2, 0, "uuid-2"}, {3, 0, "uuid-3"}}, 1);
    EXPECT_EQ(view->countLabel()->text(), "4 spaces");
    EXPECT_EQ(listedKeys(), (std::vector<std::string>{"uuid-1", "uuid-2", "uuid-3", "fs-5"}));
    setDesktops(1, 1);
    EXPECT_EQ(view->countLabel()->text(), "1 spaces");
}

TEST_F(SettingsViewTest, TheHintShowsUntilGotItWhileTheFirstRunFlagWasUnset) {
    store.updateName("Mail", "uuid-1");
    fake.mainQueue.drain();
    makeView();
    showView();
    ASSERT_TRUE(view->showsLocationHint());
    EXPECT_TRUE(view->locationHint()->isVisible());
    EXPECT_EQ(view->locationHint()->explanation()->text(),
              "Look along the top of your screen for <b>Mail</b> — click it to switch desktops, "
              "or to open this window again.");

    QTest::mouseClick(view->locationHint()->dismissButton(), Qt::LeftButton);
    EXPECT_FALSE(view->showsLocationHint());
    view->close();
    showView();
    EXPECT_FALSE(view->locationHint()->isVisible());
    EXPECT_FALSE(defaults.boolValue("HasCompletedFirstRun.v1")); // the view never writes it

    defaults.setBool("HasCompletedFirstRun.v1", true);
    makeView();
    showView();
    EXPECT_FALSE(view->showsLocationHint());
    EXPECT_FALSE(view->locationHint()->isVisible());
}

TEST_F(SettingsViewTest, ShowingFocusesTheCurrentSpacesNameField) {
    setDesktops(3, 2);
    makeView();
    showView();
    fake.mainQueue.advance(149ms);
    EXPECT_EQ(view->focusedKey(), std::nullopt);
    fake.mainQueue.advance(1ms);
    EXPECT_EQ(view->focusedKey(), "uuid-2");
    EXPECT_EQ(QApplication::focusWidget(), row("uuid-2")->nameField());

    // Tab moves on to the next name field.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), row("uuid-3")->nameField());
    EXPECT_EQ(view->focusedKey(), "uuid-3");

    // Shown again later, the then-current space gets the focus.
    view->close();
    setDesktops(3, 1);
    view->show();
    view->windowDidShow();
    fake.mainQueue.advance(150ms);
    EXPECT_EQ(view->focusedKey(), "uuid-1");
}

TEST_F(SettingsViewTest, ReturnInANameFieldIsDoneAndEscapeClosesTheWindow) {
    makeView();
    showView();
    QTest::keyClick(row("uuid-1")->nameField(), Qt::Key_Return);
    EXPECT_FALSE(view->isVisible());

    showView();
    QTest::keyClick(row("uuid-2")->nameField(), Qt::Key_Escape);
    EXPECT_FALSE(view->isVisible());

    showView();
    QTest::mouseClick(view->doneButton(), Qt::LeftButton);
    EXPECT_FALSE(view->isVisible());
}

} // namespace
} // namespace quillbar::test
