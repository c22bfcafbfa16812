// SPDX-License-Identifier: GPL-3.0-or-later
#include "observer/SpaceObserver.h"
#include "FakePlatform.h"
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"
#include "switching/SpaceSwitcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>

namespace quillbar::test {
namespace {

using nlohmann::json;
namespace WS = WindowServerAnswers;
using Ids = std::vector<std::string>;

SpaceInfo record(const std::string& id, int type, int position, std::optional<int> desktopIndex,
                 const std::string& display = "MAIN-UUID") {
    return {id, id, display, std::nullopt, type, position, desktopIndex, false, false, {}, {}, {}};
}

Ids ids(const std::vector<SpaceInfo>& spaces) {
    Ids out;
    std::ranges::transform(spaces, std::back_inserter(out), &SpaceInfo::id);
    return out;
}

// An observer on the fake platform with an in-memory name store; the observer goes first.
class SpaceObserverTest : public ::testing::Test {
protected:
    SpaceObserver& makeObserver() {
        observer = std::make_unique<SpaceObserver>(store, fake.platform);
        switcher = std::make_unique<SpaceSwitcher>(*observer, fake.platform);
        return *observer;
    }
    // An observer started on one display with desktops 1 and 2, desktop 1 shown.
    void started() {
        fake.setDesktops(2, 1);
        makeObserver().start();
    }
    // Refreshes so far, counted by the window server's display queries.
    int refreshes() const { return fake.windowServer.copyManagedDisplaySpacesCalls; }
    std::size_t registrations() const {
        return fake.workspaceCenter.observerCount() + fake.defaultCenter.observerCount() +
               fake.distributedCenter.observerCount();
    }

    FakePlatform fake;
    MemoryDefaults defaults;
    SpaceNameStore store{defaults};
    std::unique_ptr<SpaceObserver> observer;
    // Beside the observer, as in the application: the anchors and the debug switch requests.
    std::unique_ptr<SpaceSwitcher> switcher;
};

TEST_F(SpaceObserverTest, StartsOnceAndRefreshesOnSystemEventsNowAfterOneAndAfterThreeSeconds) {
    fake.setDesktops(3, 2);
    fake.keyboard.trusted = true;
    makeObserver().start();
    const std::size_t registered = registrations();
    observer->start(); // refreshes again, registers nothing new
    EXPECT_EQ(refreshes(), 2);
    EXPECT_EQ(registrations(), registered);

    for (const auto& [center, name] : std::vector<std::pair<FakeNotificationCenter*, const char*>>{
             {&fake.workspaceCenter, NotificationCenter::kDidWake},
             {&fake.workspaceCenter, NotificationCenter::kScreensDidWake},
             {&fake.workspaceCenter, NotificationCenter::kSessionDidBecomeActive},
             {&fake.defaultCenter, NotificationCenter::kScreenParametersDidChange}}) {
        fake.mainQueue.advance(Milliseconds(10000)); // past earlier work; the timer just fired
        const int before = refreshes();
        center->postNotification(name); // with others in a burst: scheduled once
        fake.workspaceCenter.postNotification(NotificationCenter::kActiveSpaceDidChange);
        fake.defaultCenter.postNotification(NotificationCenter::kScreenParametersDidChange);
        center->postNotification(name);
        EXPECT_EQ(refreshes(), before) << "never inside the poster";
        std::vector<int> counts;
        for (int ms : {0, 999, 1, 2000, 2000}) { // the timer's turn comes at 5 s
            fake.mainQueue.advance(Milliseconds(ms));
            counts.push_back(refreshes() - before);
        }
        EXPECT_EQ(counts, (std::vector<int>{1, 1, 2, 3, 4})) << name;
    }
    // Teardown stops the timer, the registrations and the pending refreshes.
    fake.workspaceCenter.postNotification(NotificationCenter::kDidWake);
    store.updateName("Mail", "uuid-1");
    const int before = refreshes();
    switcher.reset();
    observer.reset();
    EXPECT_EQ(registrations(), 0u);
    fake.mainQueue.advance(Milliseconds(20000));
    EXPECT_EQ(refreshes(), before);
}

// Changes in a burst (the X server reports one as several events) cost a refresh once a frame.
TEST_F(SpaceObserverTest, NotificationsThatArriveTogetherGiveOneRefresh) {
    started();
    fake.mainQueue.advance(Milliseconds(10000)); // the timer just fired
    // A change within a frame (16 ms) of the last refresh waits for the frame to end, so a burst of
    // a change a millisecond for 160 ms costs one refresh at once and one each frame after.
    fake.mainQueue.advance(Milliseconds(16));
    int before = refreshes();
    for (int i = 0; i < 160; ++i) {
        fake.workspaceCenter.postNotification(NotificationCenter::kActiveSpaceDidChange);
        fake.mainQueue.advance(Milliseconds(1));
    }
    fake.mainQueue.advance(Milliseconds(16));
    EXPECT_EQ(refreshes() - before, 11);
    // A wall clock set back does not hold the next change.
    fake.mainQueue.stepBack(Milliseconds(60000));
    before = refreshes();
    fake.workspaceCenter.postNotification(NotificationCenter::kActiveSpaceDidChange);
    fake.mainQueue.drain();
    EXPECT_EQ(refreshes(), before + 1);
}

TEST_F(SpaceObserverTest, SpaceChangeHoldsOffDriftChecksOfTheRefreshItTriggers) {
    started();
    fake.mainQueue.advance(Milliseconds(3000));
    for (const auto& anchor : fake.workspace.openAnchors()) {
        fake.windowServer.windowSpaces[anchor->windowNumber] = json::array({77}); // moved away
    }
    const std::string drifted = "Anchor for uuid-2 drifted to [77]; closing";
    fake.workspaceCenter.postNotification(NotificationCenter::kActiveSpaceDidChange);
    observer->refresh();
    EXPECT_EQ(fake.log.count(drifted), 0u);
    fake.mainQueue.advance(Milliseconds(2600));
    observer->refresh();
    observer->refresh();
    EXPECT_EQ(fake.log.count(drifted), 1u);
}

TEST_F(SpaceObserverTest, DebugRequestsSwitchToAnExactDesktopNumberOrShowTheSettings) {
    started();
    fake.log.lines.clear();
    for (const char* ignored : {"2 ", "", "two", "0x2", "+-2", "99999999999999999999", "7"}) {
        fake.distributedCenter.postNotification(NotificationCenter::kDebugSwitchTo, ignored);
    }
    fake.distributedCenter.postNotification(NotificationCenter::kDebugSwitchTo);
    fake.distributedCenter.postNotification(NotificationCenter::kDebugSettings); // no presenter
    EXPECT_TRUE(fake.log.lines.empty());
    fake.distributedCenter.postNotification(NotificationCenter::kDebugSwitchTo, "+2");
    EXPECT_EQ(fake.log.messages(),
              (Ids{"(info) Debug switch request to desktop 2", "Anchor switch to uuid-2"}));

    int shown = 0;
    observer->setSettingsPresenter([&] { ++shown; });
    fake.distributedCenter.postNotification(NotificationCenter::kDebugSettings, "ignored");
    EXPECT_EQ(shown, 1);
}

TEST_F(SpaceObserverTest, TitlesAreCutTo20UserPerceivedCharactersAfterTheEmoji) {
    makeObserver();
    const auto times = [](int n, const std::string& text) {
        std::string out;
        while (n-- > 0) {
            out += text;
        }
        return out;
    };
    const std::pair<std::string, std::string> cases[] = {
        {times(20, "a"), times(20, "a")},
        {times(25, "🇫🇷"), times(19, "🇫🇷") + "…"},
        {times(21, "e\u0301"), times(19, "\u00e9") + "…"}, // stored as NFC
        {times(21, "👩🏽‍💻"), times(19, "👩🏽‍💻") + "…"}};
    store.updateEmoji("🚀", "named");
    for (const auto& [name, title] : cases) {
        store.updateName(name, "named");
        EXPECT_EQ(observer->title(record("named", 0, 1, 1), true), "🚀 " + title);
        EXPECT_EQ(observer->title(record("named", 0, 1, 1), false), title);
    }
    SpaceInfo fullscreen = record("fs", 4, 3, std::nullopt);
    fullscreen.fullscreenAppName = "An Application With A Long Name";
    EXPECT_EQ(observer->title(fullscreen, true), "An Application With…");
}

TEST_F(SpaceObserverTest, GroupsFollowFirstAppearanceAndPutDesktopsFirstByNumberThenPosition) {
    fake.displays.addDisplay(1, "MAIN-UUID", Rect{0, 0, 100, 100}, "Built-in Display");
    const auto groups = makeObserver().grouped(
        {record("fs5", 4, 5, std::nullopt), record("b1", 0, 1, 1, "OTHER"),
         record("late", 0, 6, std::nullopt), record("d2", 0, 4, 2),
         record("odd", 2, 1, std::nullopt), record("fs3", 4, 3, std::nullopt),
         record("tie", 4, 3, std::nullopt), record("d1", 0, 2, 1)});
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].name, "Built-in Display");
    EXPECT_EQ(ids(groups[0].spaces), (Ids{"d1", "d2", "late", "odd", "fs3", "tie", "fs5"}));
    EXPECT_EQ(groups[1].id, "OTHER");
    EXPECT_EQ(groups[1].name, "Display");
}

TEST_F(SpaceObserverTest, RefreshPublishesLogsAndPrunesOnlyWhatChangedAndTheMenuFollows) {
    fake.setDesktops(2, 2);
    auto& spaces = fake.windowServer.managedDisplaySpaces[0]["Spaces"];
    spaces.push_back(WS::space(3, 4, "fs-3"));
    spaces.push_back(json{{"type", 2}});
    store.updateEmoji("🚀", "uuid-2");
    store.updateName("Old", "gone");
    makeObserver().refresh();
    EXPECT_EQ(store.assignments().count("gone"), 0u);
    EXPECT_EQ(observer->menuBarTitle(), "🚀 Desktop 2");
    EXPECT_EQ(ids(observer->menuSpaces()), (Ids{"uuid-1", "uuid-2", "fs-3"}));
    EXPECT_EQ(ids(observer->menuUserSpaces()), (Ids{"uuid-1", "uuid-2"}));
    int publications = 0;
    const Subscription watch = observer->subscribe([&] { ++publications; });
    fake.log.lines.clear();
    observer->refresh();
    EXPECT_EQ(publications, 0);
    EXPECT_TRUE(fake.log.lines.empty());
    // The current record changes, but not its id.
    spaces[1]["ManagedSpaceID"] = 11;
    fake.windowServer.activeSpaceAnswer = 11;
    fake.windowServer.displayCurrentAnswers["MAIN-UUID"] = 11;
    observer->refresh();
    EXPECT_EQ(publications, 1);
    EXPECT_EQ(observer->spaces()[1].managedSpaceID, 11);

    // A rename reaches the title on the next turn, as one change for both edits.
    std::vector<std::string> titles;
    const Subscription titleWatch =
        observer->subscribeMenuBarTitle([&](const std::string& t) { titles.push_back(t); });
    store.updateName("Mail", "uuid-2");
    store.updateEmoji("📬", "uuid-2");
    EXPECT_EQ(observer->menuBarTitle(), "🚀 Desktop 2");
    fake.mainQueue.drain();
    EXPECT_EQ(titles, Ids{"📬 Mail"});

    // Nothing detected: the list empties, the current space clears, the names stay.
    fake.windowServer.managedDisplaySpaces = json();
    observer->refresh();
    EXPECT_TRUE(observer->spaces().empty());
    EXPECT_EQ(observer->currentSpaceID(), std::nullopt);
    EXPECT_EQ(store.assignment("uuid-2").name, "Mail");
}

// Keys that name positions come back with their desktops: a refresh that misses them (a window
// manager restarting, a user trying fewer desktops) must not forget their names.
TEST_F(SpaceObserverTest, NamesUnderRecurringKeysOutliveTheirSpaces) {
    fake.windowServer.keysRecur = true;
    fake.setDesktops(4, 1);
    store.updateName("Four", "uuid-4");
    store.updateName("Elsewhere", "uuid-9");
    const std::size_t writes = defaults.writeCount();
    makeObserver().start();
    fake.setDesktops(1, 1);
    observer->refresh();
    fake.setDesktops(4, 1);
    observer->refresh();
    EXPECT_EQ(store.assignment("uuid-4").name, "Four");
    EXPECT_EQ(store.assignment("uuid-9").name, "Elsewhere");
    EXPECT_EQ(defaults.writeCount(), writes) << "a refresh wrote the table";

    fake.windowServer.keysRecur = false; // identities that never return are pruned
    observer->refresh();
    EXPECT_EQ(store.assignments().count("uuid-9"), 0u);
    EXPECT_EQ(store.assignment("uuid-4").name, "Four");
}

} // namespace
} // namespace quillbar::test
