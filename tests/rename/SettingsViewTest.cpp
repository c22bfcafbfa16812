// SPDX-License-Identifier: GPL-3.0-or-later
// The rename window and the first-run guidance on the fake platform's virtual clock.
#include "ui/SettingsView.h"
#include "FakePlatform.h"
#include "app/BackendChooser.h"
#include "app/FirstRun.h"
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"
#include "observer/DesktopNameSharing.h"
#include "observer/SpaceObserver.h"
#include "switching/SpaceSwitcher.h"
#include "ui/EmojiCell.h"
#include "ui/EmojiGrid.h"
#include "ui/EmojiPicker.h"
#include "ui/MenuBarItem.h"
#include "ui/MenuBarLocationHint.h"
#include "ui/SettingsSpaceRow.h"
#include "ui/SettingsWindowController.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace quillbar::test {
namespace {

using namespace std::chrono_literals;
using Keys = std::vector<std::string>;
using nlohmann::json;

const std::string rocket = "\xF0\x9F\x9A\x80"; // U+1F680
const std::string firstRunKey = "HasCompletedFirstRun.v1";

json space(std::int64_t id, std::optional<std::string> key = {}, int type = 0) {
    return WindowServerAnswers::space(id, type, key.value_or("uuid-" + std::to_string(id)));
}

SettingsSpaceRow* rowOf(const SettingsView& view, const std::string& key) {
    for (SettingsSpaceRow* r : view.rows())
        if (r->space().persistenceID == key)
            return r;
    return nullptr;
}

class SettingsViewTest : public ::testing::Test {
protected:
    SettingsViewTest() {
        fake.displays.addDisplay(1, "MAIN-UUID", Rect{0, 0, 1920, 1080}, "Built-in Display");
        setSpaces({space(1), space(2), space(3)}, 1);
    }
    ~SettingsViewTest() override { delete controller.view(); } // before the observer

    // The built-in display's spaces, and those of "Studio Display" when side has any.
    void setSpaces(const std::vector<json>& main, std::int64_t current,
                   const std::vector<json>& side = {}) {
        using WindowServerAnswers::display;
        json answer = json::array({display("MAIN-UUID", main, current)});
        if (!side.empty()) {
            fake.displays.addDisplay(2, "SIDE-UUID", Rect{1920, 0, 1280, 1024}, "Studio Display");
            answer.push_back(display("SIDE-UUID", side, current));
        }
        fake.windowServer.managedDisplaySpaces = answer;
        fake.windowServer.activeSpaceAnswer = current;
        observer.refresh();
        fake.mainQueue.drain();
    }
    void makeView() { view = std::make_unique<SettingsView>(observer, store, defaults); }
    void showView() {
        view->show();
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
        fake.mainQueue.drain();
    }
    Keys listedKeys() const {
        Keys keys;
        for (SettingsSpaceRow* row : view->rows())
            keys.push_back(row->space().persistenceID.value_or("-"));
        return keys;
    }
    SettingsSpaceRow* row(const std::string& key) const { return rowOf(*view, key); }
    // Keys as the window system delivers them: to the focus, or an open popup.
    void type(const QString& text) {
        for (const QChar c : text)
            QTest::keyClick(view->windowHandle(), c.toLatin1());
    }
    void press(Qt::Key key) { QTest::keyClick(view->windowHandle(), key); }
    QWidget* focus() const { return QApplication::focusWidget(); }
    EmojiGrid* openGrid() const {
        return qobject_cast<EmojiGrid*>(QApplication::activePopupWidget());
    }

    FakePlatform fake;
    MemoryDefaults defaults;
    SpaceNameStore store{defaults};
    SpaceObserver observer{store, fake.platform};
    std::unique_ptr<SettingsView> view;
    SpaceSwitcher switcher{observer, fake.platform}; // the anchors, as in the application
    SettingsWindowController controller;
};

TEST_F(SettingsViewTest, RowsKeepTheirOrderAndTextWhileDesktopsComeGoAndMove) {
    makeView();
    showView();
    EXPECT_EQ(listedKeys(), (Keys{"uuid-1", "uuid-2", "uuid-3"}));
    SettingsSpaceRow* second = row("uuid-2");
    QTest::keyClicks(second->nameField(), " Mail ");

    // A desktop created between two others is listed last; redraws keep rows and typed text.
    setSpaces({space(1), space(9), space(2), space(3)}, 1);
    EXPECT_EQ(listedKeys(), (Keys{"uuid-1", "uuid-2", "uuid-3", "uuid-9"}));
    EXPECT_EQ(row("uuid-9")->numberLabel()->text(), "2");
    EXPECT_EQ(row("uuid-2"), second);
    EXPECT_EQ(second->nameField()->text(), " Mail ");
    // Reordered desktops keep their rows; one that vanishes and comes back takes its old place.
    setSpaces({space(3), space(9), space(1)}, 1);
    EXPECT_EQ(listedKeys(), (Keys{"uuid-1", "uuid-3", "uuid-9"}));
    setSpaces({space(2), space(3), space(9), space(1)}, 1);
    EXPECT_EQ(listedKeys(), (Keys{"uuid-1", "uuid-2", "uuid-3", "uuid-9"}));
    // A new view (a new process) takes the order as it is now.
    makeView();
    EXPECT_EQ(listedKeys(), (Keys{"uuid-2", "uuid-3", "uuid-9", "uuid-1"}));
    // A closed window is up to date again when it is shown.
    showView();
    view->close();
    setSpaces({space(2), space(3), space(1)}, 1);
    showView();
    EXPECT_EQ(listedKeys(), (Keys{"uuid-2", "uuid-3", "uuid-1"}));
}

TEST_F(SettingsViewTest, CaptionsAndTheDisplayColumnOnlyForTwoOrMoreDisplays) {
    makeView();
    EXPECT_TRUE(view->captions().empty() && row("uuid-1")->displayLabel()->isHidden());
    setSpaces({space(1), space(5, "fs-5", 4), space(2)}, 1, {space(7, "side-7")});
    EXPECT_EQ(view->captions().size(), 2u);
    EXPECT_EQ(listedKeys(), (Keys{"uuid-1", "uuid-2", "fs-5", "side-7"}));
    EXPECT_EQ(row("side-7")->displayLabel()->text(), "Studio Display");
    EXPECT_FALSE(row("side-7")->displayLabel()->isHidden());
    EXPECT_EQ(view->countLabel()->text(), "4 spaces");
    setSpaces({space(1)}, 1);
    EXPECT_TRUE(view->captions().empty() && row("uuid-1")->displayLabel()->isHidden());
}

TEST_F(SettingsViewTest, TheHintShowsUntilGotItWhileTheFirstRunFlagWasUnset) {
    makeView();
    showView();
    ASSERT_TRUE(view->showsLocationHint() && view->locationHint()->isVisible());
    // Its picture is the tray's: the number badge, or the emoji; a top bar has none to show.
    const QImage badge = view->locationHint()->picture()->pixmap().toImage();
    store.updateEmoji(rocket, "uuid-1");
    fake.mainQueue.drain();
    EXPECT_NE(view->locationHint()->picture()->pixmap().toImage(), badge);
    view->locationHint()->setPlace(MenuBarLocationHint::Place::TopBar);
    store.updateEmoji({}, "uuid-1");
    fake.mainQueue.drain();
    EXPECT_TRUE(view->locationHint()->headline()->text().contains("top bar"));
    EXPECT_TRUE(view->locationHint()->picture()->isHidden());
    QTest::mouseClick(view->locationHint()->dismissButton(), Qt::LeftButton);
    EXPECT_FALSE(view->showsLocationHint());
    view->close();
    showView();
    EXPECT_FALSE(view->locationHint()->isVisible());
    EXPECT_FALSE(defaults.boolValue(firstRunKey)); // the view never writes it

    defaults.setBool(firstRunKey, true);
    makeView();
    showView();
    EXPECT_FALSE(view->showsLocationHint() || view->locationHint()->isVisible());
}

TEST_F(SettingsViewTest, ShowingFocusesTheCurrentSpacesNameFieldAfter150ms) {
    setSpaces({space(1), space(2), space(3)}, 2);
    makeView();
    showView();
    fake.mainQueue.advance(149ms);
    EXPECT_EQ(view->focusedKey(), std::nullopt);
    fake.mainQueue.advance(1ms);
    EXPECT_EQ(view->focusedKey(), "uuid-2");
    EXPECT_EQ(focus(), row("uuid-2")->nameField());

    // Shown again later, the then-current space gets it.
    view->close();
    setSpaces({space(1), space(2), space(3)}, 1);
    view->show();
    view->windowDidShow();
    fake.mainQueue.advance(150ms);
    EXPECT_EQ(view->focusedKey(), "uuid-1");

    // Return or Escape in a name field, or "Done", closes the window.
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_unknown}) {
        showView();
        if (key == Qt::Key_unknown)
            QTest::mouseClick(view->doneButton(), Qt::LeftButton);
        else
            QTest::keyClick(row("uuid-2")->nameField(), key);
        EXPECT_FALSE(view->isVisible()) << key;
    }
}

// With the command that fixes what the backend found missing.
TEST_F(SettingsViewTest, TheFirstLaunchOpensTheWindowAfter800msThenSetsTheFlag) {
    QSignalSpy shown(&controller, &SettingsWindowController::renameWindowDidShow);
    FirstRun::presentIfNeeded(controller, observer, store, defaults,
                              QString::fromLatin1(BackendChooser::kGnomeExtensionMissing));
    fake.mainQueue.advance(799ms);
    EXPECT_EQ(controller.view(), nullptr);
    EXPECT_FALSE(defaults.boolValue(firstRunKey));
    fake.mainQueue.advance(1ms);
    SettingsView* window = controller.view();
    ASSERT_NE(window, nullptr);
    const QLabel* notice = window->locationHint()->notice();
    EXPECT_TRUE(window->isVisible() && window->locationHint()->isVisible() && notice->isVisible());
    EXPECT_TRUE(notice->text().endsWith(BackendChooser::kGnomeEnableCommand));
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_TRUE(defaults.boolValue(firstRunKey) && shown.size() == 1);

    // Closing only hides the window; showing it again reuses it and announces it.
    window->close();
    controller.show(observer, store);
    EXPECT_EQ(controller.view(), window);
    EXPECT_TRUE(window->isVisible() && shown.size() == 2);
    // Mapped afresh, it lands where the user is; left open, it is brought to them.
    const auto placements = [&] {
        std::vector<std::int64_t> spaces; // of this window; the anchors are placed too
        for (const auto& [placed, space] : fake.windowServer.addWindowsCalls)
            if (placed == std::int64_t(window->winId()))
                spaces.push_back(space);
        return spaces;
    };
    EXPECT_TRUE(placements().empty());
    setSpaces({space(1), space(2), space(3)}, 3);
    controller.show(observer, store);
    EXPECT_EQ(placements(), std::vector<std::int64_t>{3});
}

TEST_F(SettingsViewTest, LaterLaunchesOpenNothingButTheTrayTooltipGetsItsSecondLine) {
    defaults.setBool(firstRunKey, true);
    FirstRun::presentIfNeeded(controller, observer, store, defaults);
    fake.mainQueue.advance(5s);
    EXPECT_EQ(controller.view(), nullptr);
    controller.show(observer, store); // with the flag FirstRun handed it: no hint
    EXPECT_FALSE(!controller.view() || controller.view()->showsLocationHint());
    QMenu menu;
    MenuBarItem item(observer, &menu);
    FirstRun::applyMenuBarTooltip(item);
    EXPECT_EQ(item.toolTip(), "Desktop 1");
    EXPECT_TRUE(QTest::qWaitFor([&] { return item.toolTip().startsWith("Desktop 1\n"); }, 5000));
}

TEST_F(SettingsViewTest, ARowStoresEveryKeystrokeAndPickAndLoadsOncePerKey) {
    store.updateName("Web", "uuid-2");
    store.updateEmoji(rocket, "uuid-2");
    makeView();
    SettingsSpaceRow* first = row("uuid-1");
    QLineEdit* field = first->nameField();
    EXPECT_EQ(field->placeholderText(), "Desktop 1"); // the default name
    Keys stored;
    for (QChar c : QStringLiteral("  Mail ")) {
        QTest::keyClick(field, c.toLatin1());
        stored.push_back(store.assignment("uuid-1").name);
    }
    EXPECT_EQ(stored, (Keys{"", "", "M", "Ma", "Mai", "Mail", "Mail"}));

    QTest::mouseClick(first->picker()->button(), Qt::LeftButton);
    ASSERT_TRUE(first->picker()->grid());
    first->picker()->grid()->picked(QString::fromStdString(rocket));
    EXPECT_EQ(store.assignment("uuid-1"), (SpaceAssignment{"Mail", rocket}));
    QTest::mouseClick(first->picker()->button(), Qt::LeftButton);
    QTest::mouseClick(first->picker()->grid()->clearButton(), Qt::LeftButton);
    EXPECT_EQ(store.assignment("uuid-1"), (SpaceAssignment{"Mail", ""}));
    // Deleting every character (no emoji) removes the entry.
    QTest::keyClicks(field, QString(7, '\b'));
    EXPECT_FALSE(store.assignments().contains("uuid-1"));

    // A new state of the same space leaves the field alone; another key loads that key's values.
    QTest::keyClicks(field, "Mail");
    store.updateName("Changed elsewhere", "uuid-1");
    first->setSpace(first->space(), "Built-in Display");
    EXPECT_EQ(field->text(), "Mail");
    first->setSpace(row("uuid-2")->space(), "Built-in Display");
    EXPECT_EQ(field->text(), "Web");
    EXPECT_EQ(first->picker()->emoji(), QString::fromStdString(rocket));
    EXPECT_EQ(store.assignment("uuid-1").name, "Changed elsewhere");
}

// While names cannot be written the window says why, one problem giving way to the other.
TEST_F(SettingsViewTest, TheWindowSaysWhyNamesAreNotSavedUntilTheyAre) {
    makeView();
    EXPECT_TRUE(view->saveWarning()->isHidden());
    defaults.setFailing(true, "No space left on device");
    QTest::keyClicks(row("uuid-2")->nameField(), "Mail");
    EXPECT_FALSE(view->saveWarning()->isHidden());
    EXPECT_TRUE(view->saveWarning()->text().endsWith("No space left on device"));
    defaults.setFailing(false);
    EXPECT_TRUE(store.retrySave());
    EXPECT_TRUE(view->saveWarning()->isHidden());

    MemoryDefaults unreadable;
    unreadable.setReadProblem("cannot read quillbar.conf (Permission denied)");
    SpaceNameStore waiting(unreadable);
    SettingsView other(observer, waiting, unreadable);
    EXPECT_TRUE(other.saveWarning()->text().endsWith("(Permission denied)"));
    waiting.updateName("Typed", "uuid-1");
    unreadable.setFailing(true, "Read-only file system");
    unreadable.setReadProblem(std::nullopt);
    EXPECT_TRUE(waiting.load()); // read at last, but the edits cannot be written
    EXPECT_TRUE(other.saveWarning()->text().endsWith("Read-only file system"));
    unreadable.setFailing(false);
    EXPECT_TRUE(waiting.retrySave());
    EXPECT_TRUE(other.saveWarning()->isHidden());
    EXPECT_EQ(decodeNameTable(*unreadable.data(std::string(SpaceNameStore::defaultsKey))),
              (NameTable{{"uuid-1", {"Typed", ""}}}));
}

TEST_F(SettingsViewTest, TheSharingCheckboxIsTheSettingAndARowSaysWhatTheDesktopRefused) {
    {
        DesktopNameSharing unavailable(observer, defaults);
        SettingsView plain(observer, store, defaults, &unavailable);
        EXPECT_FALSE(plain.shareCheckBox()->isEnabled());
        EXPECT_EQ(plain.shareCheckBox()->text(), "This desktop cannot show these names");
    }
    fake.windowServer.hasRenameSpace = true;
    fake.windowServer.onRenameSpace = [](std::int64_t, const std::string&) {
        return std::optional<std::string>("No quotes, please.");
    };
    SpaceObserver renaming(store, fake.platform);
    DesktopNameSharing sharing(renaming, defaults);
    renaming.start();
    sharing.start();
    SettingsView shared(renaming, store, defaults, &sharing);
    QCheckBox* box = shared.shareCheckBox();
    ASSERT_TRUE(box->isEnabled());
    EXPECT_FALSE(box->isChecked());
    box->click();
    EXPECT_TRUE(defaults.boolValue(std::string(DesktopNameSharing::enabledKey)));

    store.updateName("Mail", "uuid-2");
    sharing.flush();
    QLabel* said = rowOf(shared, "uuid-2")->shareProblemLabel();
    EXPECT_FALSE(said->isHidden());
    EXPECT_EQ(said->text(), "No quotes, please.");
    box->click();
    EXPECT_TRUE(said->isHidden());
}

TEST_F(SettingsViewTest, OnlyKeyedDesktopsAndFullScreenSpacesAreEditableAndOnlyEditsStore) {
    makeView();
    SpaceInfo fullscreen = row("uuid-1")->space();
    fullscreen.type = SpaceInfo::fullscreenType;
    fullscreen.desktopIndex.reset();
    fullscreen.fullscreenAppName = "Safari";
    SpaceInfo other = fullscreen;
    other.type = 2;
    SpaceInfo keyless = row("uuid-2")->space();
    keyless.persistenceID.reset();
    SettingsSpaceRow editable(fullscreen, std::nullopt, store);
    EXPECT_TRUE(editable.isEditable() && editable.readOnlyLabel()->isHidden());
    EXPECT_EQ(editable.nameField()->placeholderText(), "Safari");
    EXPECT_EQ(editable.numberLabel()->text(), "—");
    for (const SpaceInfo& space : {other, keyless}) {
        SettingsSpaceRow r(space, std::nullopt, store);
        EXPECT_FALSE(r.isEditable() || r.focusName() || r.readOnlyLabel()->isHidden());
        EXPECT_TRUE(r.nameField()->isHidden() && r.picker()->isHidden());
        EXPECT_EQ(r.readOnlyLabel()->text(), QString::fromStdString(space.defaultName()));
    }
    EXPECT_EQ(defaults.writeCount(), 0u);

    // Showing a name longer than a line edit holds stores nothing; an edit stores it cut.
    const std::string huge(40000, 'h');
    defaults.setData(std::string(SpaceNameStore::defaultsKey),
                     R"({"uuid-1":{"name":")" + huge + R"(","emoji":")" + rocket + R"("}})");
    SpaceNameStore stored(defaults);
    const std::size_t writes = defaults.writeCount();
    SettingsSpaceRow filled(observer.spaces().front(), std::nullopt, stored);
    EXPECT_EQ(defaults.writeCount(), writes);
    EXPECT_EQ(stored.assignment("uuid-1").name, huge);
    QTest::keyClick(filled.nameField(), Qt::Key_Backspace); // the field is full: delete
    EXPECT_EQ(stored.assignment("uuid-1"),
              (SpaceAssignment{std::string(SpaceNameStore::maxNameClusters, 'h'), rocket}));
}

using KeyboardTest = SettingsViewTest;

TEST_F(KeyboardTest, AClickAnywhereInARowPutsTheTypingInThatRowsName) {
    makeView();
    showView();
    fake.mainQueue.advance(150ms);
    ASSERT_EQ(focus(), row("uuid-1")->nameField());
    // The number, the display, the emoji button: each sends what follows to the row's name.
    QTest::mouseClick(row("uuid-2")->numberLabel(), Qt::LeftButton);
    type("Web");
    QTest::mouseClick(row("uuid-3")->displayLabel(), Qt::LeftButton);
    type("Chat");
    QTest::mouseClick(row("uuid-1")->picker()->button(), Qt::LeftButton);
    ASSERT_TRUE(openGrid());
    press(Qt::Key_Escape);
    EXPECT_FALSE(openGrid());
    type("Mail");
    // The empty part of the list leaves the focus where it was.
    auto* list = view->findChild<QScrollArea*>();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->viewport()->rect().bottomLeft());
    type("s");
    EXPECT_EQ(store.assignment("uuid-1").name, "Mails");
    EXPECT_EQ(store.assignment("uuid-2").name, "Web");
    EXPECT_EQ(store.assignment("uuid-3").name, "Chat");
}

TEST_F(KeyboardTest, RenamingDesktop2AndGivingItAnEmojiWithoutTheMouse) {
    makeView();
    showView();
    fake.mainQueue.advance(150ms);
    // Tab goes name, emoji button, next row's name, ... then "Done".
    std::vector<QWidget*> chain{focus()};
    for (int i = 0; i < 6; ++i) {
        press(Qt::Key_Tab);
        chain.push_back(focus());
    }
    std::vector<QWidget*> expected;
    for (const char* key : {"uuid-1", "uuid-2", "uuid-3"})
        expected.insert(expected.end(), {row(key)->nameField(), row(key)->picker()->button()});
    expected.push_back(view->doneButton());
    EXPECT_EQ(chain, expected);
    for (int i = 0; i < 4; ++i)
        press(Qt::Key_Backtab);
    ASSERT_EQ(focus(), row("uuid-2")->nameField());

    type("Mail");
    press(Qt::Key_Tab);
    // Space opens the grid on its first cell; arrows move; Return picks and closes it.
    press(Qt::Key_Space);
    EmojiGrid* grid = openGrid();
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->currentCell(), grid->cells()[0]);
    press(Qt::Key_Right);
    press(Qt::Key_Down);
    EXPECT_EQ(grid->currentCell(), grid->cells()[11]);
    press(Qt::Key_Return);
    EXPECT_FALSE(openGrid());
    const std::string chart = "\xF0\x9F\x93\x88"; // U+1F4C8, the twelfth of Work
    EXPECT_EQ(store.assignment("uuid-2"), (SpaceAssignment{"Mail", chart}));
    EXPECT_EQ(focus(), row("uuid-2")->picker()->button());

    // Return opens it on the chosen emoji; typing searches, the best match current; Escape takes
    // the search back, then closes the grid only.
    press(Qt::Key_Return);
    grid = openGrid();
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->currentCell(), grid->cells()[11]);
    type("rock");
    ASSERT_FALSE(grid->cells().empty());
    EXPECT_EQ(grid->currentCell(), grid->cells()[0]);
    EXPECT_LT(grid->cells().size(), 60u);
    press(Qt::Key_Escape);
    ASSERT_EQ(grid->cells().size(), 140u);
    EXPECT_EQ(grid->currentCell(), grid->cells()[11]);
    press(Qt::Key_Escape);
    EXPECT_TRUE(!openGrid() && view->isVisible());
    EXPECT_EQ(store.assignment("uuid-2").emoji, chart);
    // Delete clears.
    press(Qt::Key_Return);
    ASSERT_TRUE(openGrid());
    press(Qt::Key_Delete);
    EXPECT_FALSE(openGrid());
    EXPECT_EQ(store.assignment("uuid-2"), (SpaceAssignment{"Mail", ""}));
}

} // namespace
} // namespace quillbar::test
