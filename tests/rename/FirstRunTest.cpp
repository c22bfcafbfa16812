#include "services/FirstRun.h"
#include "RenameFixture.h"
#include "ui/MenuBarItem.h"
#include "ui/MenuBarLocationHint.h"
#include "ui/SettingsWindowController.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTest>

namespace quillbar::test {
namespace {

using namespace std::chrono_literals;

const std::string firstRunKey = "HasCompletedFirstRun.v1";

class FirstRunTest : public RenameFixture {
protected:
    // The window outlives a test only as long as the observer it was built for.
    ~FirstRunTest() override { delete SettingsWindowController::shared().view(); }

    SettingsWindowController& controller = SettingsWindowController::shared();
};

TEST_F(FirstRunTest, TheFirstLaunchOpensTheWindowWithItsHintThenSetsTheFlag) {
    QSignalSpy shown(&controller, &SettingsWindowController::renameWindowDidShow);
    FirstRun::presentIfNeeded(observer, store, defaults);
    fake.mainQueue.advance(799ms);
    EXPECT_EQ(controller.view(), nullptr);
    EXPECT_FALSE(defaults.boolValue(firstRunKey));

    fake.mainQueue.advance(1ms);
    SettingsView* view = controller.view();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->windowTitle(), "Rename Spaces");
    EXPECT_EQ(view->size(), QSize(700, 460));
    EXPECT_EQ(view->minimumSize(), QSize(660, 380));
    EXPECT_TRUE(view->locationHint()->isVisible());
    EXPECT_TRUE(defaults.boolValue(firstRunKey));
    EXPECT_EQ(shown.size(), 1);

    // Closing only hides the window; showing it again reuses it and announces it again.
    view->close();
    controller.show(observer, store);
    EXPECT_EQ(controller.view(), view);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(shown.size(), 2);
}

TEST_F(FirstRunTest, LaterLaunchesOpenNothingAndTheWindowHasNoHint) {
    defaults.setBool(firstRunKey, true);
    FirstRun::presentIfNeeded(observer, store, defaults);
    fake.mainQueue.advance(5s);
    EXPECT_EQ(controller.view(), nullptr);

    controller.show(observer, store);
    ASSERT_NE(controller.view(), nullptr);
    EXPECT_FALSE(controller.view()->showsLocationHint());
}

TEST_F(FirstRunTest, TheTrayTooltipGetsItsSecondLineOnEveryLaunch) {
    defaults.setBool(firstRunKey, true);
    QMenu menu;
    MenuBarItem item(observer, &menu);
    const QString hint = QStringLiteral("Quillbar — click to name or switch desktops");
    FirstRun::applyMenuBarTooltip(item);
    EXPECT_FALSE(item.toolTip().contains(hint));
    EXPECT_TRUE(QTest::qWaitFor([&] { return item.toolTip().contains(hint); }, 5000));
}

} // namespace
} // namespace quillbar::test
