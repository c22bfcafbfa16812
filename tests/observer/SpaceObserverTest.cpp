#include "ObserverFixture.h"

namespace quillbar::test {
namespace {

using nlohmann::json;
namespace WS = WindowServerAnswers;

class SpaceObserverTest : public ObserverFixture {
protected:
    // Refreshes so far, counted by the window server's display queries.
    int refreshes() const { return fake.windowServer.copyManagedDisplaySpacesCalls; }
};

TEST_F(SpaceObserverTest, StartLogsRegistersOnceArmsTheTimerAndRefreshes) {
    fake.setDesktops(3, 2);
    fake.keyboard.trusted = true;
    SpaceObserver& o = makeObserver();
    o.start();
    const FakeLog::Line startLine{
        LogLevel::Default,
        "Quillbar v1.2.3 starting from /usr/bin/quillbar; AXIsProcessTrusted=true"};
    EXPECT_EQ(fake.log.lines.front(), startLine);
    EXPECT_EQ(o.spaces().size(), 3u);
    EXPECT_EQ(o.currentSpaceID(), "uuid-2");
    EXPECT_EQ(o.menuBarTitle(), "Desktop 2");
    // Which name goes where is exercised by the tests that post each of them.
    EXPECT_EQ(fake.workspaceCenter.observerCount(), 4u);
    EXPECT_EQ(fake.defaultCenter.observerCount(NotificationCenter::kScreenParametersDidChange), 1u);
    EXPECT_EQ(fake.distributedCenter.observerCount(), 2u);
    ASSERT_EQ(fake.mainQueue.timers().size(), 1u);
    EXPECT_EQ(fake.mainQueue.timers()[0].interval, Milliseconds(5000));
    EXPECT_EQ(fake.mainQueue.timers()[0].tolerance, Milliseconds(2000));

    o.start();
    EXPECT_EQ(fake.log.count(startLine.message), 2u);
    EXPECT_EQ(refreshes(), 2);
    EXPECT_EQ(fake.workspaceCenter.observerCount(), 4u);
    EXPECT_EQ(fake.mainQueue.timers().size(), 1u);
}

TEST_F(SpaceObserverTest, RefreshPublishesLogsAndPrunesOnlyWhatChanged) {
    store.updateName("Mail", "uuid-1");
    store.updateName("Old", "gone");
    fake.setDesktops(2, 1);
    makeObserver().start();
    EXPECT_EQ(store.assignments().count("gone"), 0u);
    countPublications();
    const std::size_t logged = fake.log.lines.size();

    observer->refresh();
    EXPECT_EQ(publications, 0);
    EXPECT_EQ(fake.log.lines.size(), logged);

    // The current record changes, but not its id; a new kind of space appears without a title.
    auto& spaces = fake.windowServer.managedDisplaySpaces[0]["Spaces"];
    spaces[0]["ManagedSpaceID"] = 11;
    fake.windowServer.activeSpaceAnswer = 11;
    fake.windowServer.displayCurrentAnswers["MAIN-UUID"] = 11;
    spaces.push_back(WS::space(9, 2, "uuid-9"));
    observer->refresh();
    EXPECT_EQ(publications, 1);
    EXPECT_EQ(observer->spaces().size(), 3u);
    EXPECT_EQ(observer->spaces()[0].managedSpaceID, 11);

    // Nothing detected: the list empties, the current space clears, the names stay.
    fake.windowServer.managedDisplaySpaces = json();
    observer->refresh();
    EXPECT_TRUE(observer->spaces().empty());
    EXPECT_EQ(observer->currentSpaceID(), std::nullopt);
    EXPECT_EQ(observer->menuBarTitle(), "Desktop ?");
    EXPECT_EQ(store.assignment("uuid-1").name, "Mail");
    EXPECT_TRUE(fake.log.contains("Detected 0 spaces; focused current ID: unknown"));
}

TEST_F(SpaceObserverTest, SystemEventsRefreshNowAfterOneAndAfterThreeSeconds) {
    fake.setDesktops(2, 1);
    makeObserver().start();
    const std::pair<FakeNotificationCenter*, const char*> triggers[] = {
        {&fake.workspaceCenter, NotificationCenter::kDidWake},
        {&fake.workspaceCenter, NotificationCenter::kScreensDidWake},
        {&fake.workspaceCenter, NotificationCenter::kSessionDidBecomeActive},
        {&fake.defaultCenter, NotificationCenter::kScreenParametersDidChange}};
    for (const auto& [center, name] : triggers) {
        fake.mainQueue.advance(Milliseconds(10000)); // past earlier work, timer in phase
        const int before = refreshes();
        center->postNotification(name);
        EXPECT_EQ(refreshes(), before + 1) << name;
        fake.mainQueue.advance(Milliseconds(999));
        EXPECT_EQ(refreshes(), before + 1) << name;
        fake.mainQueue.advance(Milliseconds(1));
        EXPECT_EQ(refreshes(), before + 2) << name;
        fake.mainQueue.advance(Milliseconds(2000));
        EXPECT_EQ(refreshes(), before + 3) << name;
        fake.mainQueue.advance(Milliseconds(1999)); // the timer's turn comes at 5 s
        EXPECT_EQ(refreshes(), before + 3) << name;
        fake.mainQueue.advance(Milliseconds(1));
        EXPECT_EQ(refreshes(), before + 4) << name;
    }
}

TEST_F(SpaceObserverTest, SpaceChangeTimeIsKnownToTheRefreshItTriggers) {
    fake.setDesktops(2, 1);
    makeObserver().start();
    fake.mainQueue.advance(Milliseconds(3000));
    for (const auto& anchor : fake.workspace.openAnchors()) {
        fake.windowServer.windowSpaces[anchor->windowNumber] = json::array({77}); // moved away
    }
    fake.workspaceCenter.postNotification(NotificationCenter::kActiveSpaceDidChange);
    observer->refresh();
    EXPECT_EQ(fake.log.count("Anchor for uuid-2 drifted to [77]; closing"), 0u);
    fake.mainQueue.advance(Milliseconds(2600));
    observer->refresh();
    observer->refresh();
    EXPECT_EQ(fake.log.count("Anchor for uuid-2 drifted to [77]; closing"), 1u);
}

TEST_F(SpaceObserverTest, TeardownStopsTimerRegistrationsAndPendingRefreshes) {
    fake.setDesktops(2, 1);
    makeObserver().start();
    fake.workspaceCenter.postNotification(NotificationCenter::kDidWake);
    store.updateName("Mail", "uuid-1");
    const int before = refreshes();
    observer.reset();
    EXPECT_EQ(fake.workspaceCenter.observerCount() + fake.defaultCenter.observerCount() +
                  fake.distributedCenter.observerCount(),
              0u);
    fake.mainQueue.advance(Milliseconds(20000));
    EXPECT_EQ(refreshes(), before);
}

TEST_F(SpaceObserverTest, RenamingUpdatesTheTitleOnTheNextTurn) {
    fake.setDesktops(2, 1);
    makeObserver().start();
    std::vector<std::string> titles;
    const Subscription titleWatch =
        observer->subscribeMenuBarTitle([&](const std::string& t) { titles.push_back(t); });
    store.updateName("Mail", "uuid-1");
    store.updateEmoji("📬", "uuid-1");
    EXPECT_EQ(observer->menuBarTitle(), "Desktop 1");
    fake.mainQueue.drain();
    EXPECT_EQ(observer->menuBarTitle(), "📬 Mail");
    EXPECT_EQ(titles, std::vector<std::string>{"📬 Mail"});
}

TEST_F(SpaceObserverTest, DebugSwitchRequestNeedsAnExactDesktopNumber) {
    // Two displays both with a desktop 2; only desktop 1 of MAIN is shown and has an anchor.
    fake.windowServer.hasCopySpacesForWindows = false;
    fake.keyboard.trusted = true;
    fake.setDesktops(2, 1);
    fake.displays.addDisplay(2, "SIDE", Rect{1920, 0, 1000, 800}, "Side");
    fake.windowServer.managedDisplaySpaces.push_back(
        WS::display("SIDE", {WS::space(5, 0, "side-1"), WS::space(6, 0, "side-2")}, 5));
    makeObserver().start();
    const std::size_t logged = fake.log.lines.size();
    for (const char* ignored : {"2 ", "", "two", "0x2", "+-2", "99999999999999999999", "7"}) {
        fake.distributedCenter.postNotification(NotificationCenter::kDebugSwitchTo, ignored);
    }
    fake.distributedCenter.postNotification(NotificationCenter::kDebugSwitchTo);
    EXPECT_EQ(fake.log.lines.size(), logged);

    fake.distributedCenter.postNotification(NotificationCenter::kDebugSwitchTo, "+2");
    EXPECT_TRUE(fake.log.contains("Debug switch request to desktop 2"));
    EXPECT_TRUE(fake.log.contains("Keystroke switch: 1 hops")); // MAIN's desktop 2, not SIDE's
}

TEST_F(SpaceObserverTest, DebugSettingsRequestShowsTheSettingsWhenSomeoneCan) {
    makeObserver().start();
    fake.distributedCenter.postNotification(NotificationCenter::kDebugSettings);
    int shown = 0;
    observer->setSettingsPresenter([&] { ++shown; });
    fake.distributedCenter.postNotification(NotificationCenter::kDebugSettings, "ignored");
    EXPECT_EQ(shown, 1);
}

} // namespace
} // namespace quillbar::test
