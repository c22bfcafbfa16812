// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakePlatform.h"
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"
#include "observer/DisplayDirectory.h"
#include "observer/SpaceObserver.h"
#include "switching/AnchorKeeper.h"
#include "switching/FocusYielder.h"
#include "switching/KeystrokePoster.h"
#include "switching/SpaceSwitcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace quillbar {
namespace {

using nlohmann::json;
using std::chrono::milliseconds;
using Keys = std::set<std::string>;
using Lines = std::vector<std::string>;

// A desktop on the main display: persistence id "uuid-n", managed id n.
SpaceInfo desktop(int n, bool shown = false) {
    const std::string key = "uuid-" + std::to_string(n);
    return {key, key, "MAIN-UUID", n, 0, n, n, shown, shown, {}, {}, {}};
}

class AnchorKeeperTest : public ::testing::Test {
protected:
    AnchorKeeperTest() {
        fake.displays.addDisplay(1, "MAIN-UUID", Rect{0, 0, 1920, 1080}, "Built-in Display");
        watch = keeper->subscribeSeededSpaceIDs([this](const Keys&) { ++announcements; });
    }
    // By default a refresh long after the last space change, with no switch in flight.
    void sync(const std::vector<SpaceInfo>& spaces, TimePoint changedAt = {},
              TimePoint suppressedUntil = {}) {
        keeper->synchronize(spaces, changedAt, suppressedUntil);
    }

    test::FakePlatform fake;
    DisplayDirectory directory{fake.platform};
    SpaceServerAPI api = fake.windowServer.spaceServerAPI();
    std::unique_ptr<AnchorKeeper> keeper =
        std::make_unique<AnchorKeeper>(fake.platform, directory, api);
    int announcements = 0;
    Subscription watch;
};

// Only ordinary desktops with a key and a screen get anchors.
TEST_F(AnchorKeeperTest, SeedsShownDesktopsWhereTheyAreAndPlacesTheOthers) {
    fake.displays.addDisplay(2, "SIDE-UUID", Rect{1920, 100, 1280, 1024}, "Side Display");
    std::vector<SpaceInfo> spaces(7, desktop(7, true));
    spaces[0].displayIdentifier = "SIDE-UUID";
    spaces[0].managedSpaceID.reset(); // not needed where the window is made
    spaces[1].type = SpaceInfo::fullscreenType;
    spaces[2].type = 2;
    spaces[3].persistenceID.reset();
    spaces[4].displayIdentifier = "GONE-UUID";
    spaces[5] = desktop(1, true);
    spaces[6] = desktop(2);
    sync(spaces);
    const auto& anchors = fake.workspace.anchors;
    ASSERT_EQ(anchors.size(), 3u);
    EXPECT_EQ(anchors[0]->contentRect, (Rect{1960, 140, 2, 2}));
    EXPECT_EQ(anchors[1]->contentRect, (Rect{40, 40, 2, 2}));
    EXPECT_EQ(fake.windowServer.addWindowsCalls,
              (std::vector<std::pair<std::int64_t, std::int64_t>>{{anchors[2]->windowNumber, 2}}));
    EXPECT_EQ(keeper->seededSpaceIDs(), (Keys{"uuid-1", "uuid-2", "uuid-7"}));
    EXPECT_EQ(fake.log.messages(), (Lines{"Anchor seeded for uuid-7", "Anchor seeded for uuid-1",
                                          "Anchor seeded for uuid-2"}));
}

// A failed placement is logged and tried again after 2 s, 4 s, 8 s ... at most 5 minutes; a desktop
// that is shown needs no placement and is seeded at once; a desktop that vanishes starts afresh.
TEST_F(AnchorKeeperTest, FailedPlacementsAreTriedAgainAfterGrowingPauses) {
    SpaceInfo noID = desktop(2);
    noID.managedSpaceID.reset();
    fake.workspace.anchorCreationFails = true; // silently, and nothing to announce or postpone
    sync({desktop(1, true), noID, desktop(3)});
    EXPECT_EQ(announcements, 0);
    fake.workspace.anchorCreationFails = false;
    fake.windowServer.placementWorks = false;
    const TimePoint start = fake.mainQueue.now();
    std::vector<long> triedAt; // whole seconds after the start
    for (int second = 0; second <= 1300; ++second) {
        const std::size_t before = fake.log.count("Anchor placement failed for uuid-3");
        sync({desktop(1, true), noID, desktop(3)});
        if (fake.log.count("Anchor placement failed for uuid-3") > before) {
            triedAt.push_back(
                std::chrono::duration_cast<std::chrono::seconds>(fake.mainQueue.now() - start)
                    .count());
        }
        fake.mainQueue.advance(milliseconds(1000));
    }
    EXPECT_EQ(triedAt, (std::vector<long>{0, 2, 6, 14, 30, 62, 126, 254, 510, 810, 1110}));
    EXPECT_EQ(fake.log.count("Anchor placement failed for uuid-2"), triedAt.size());
    EXPECT_EQ(fake.workspace.openAnchors().size(), 1u);
    EXPECT_EQ(keeper->seededSpaceIDs(), Keys{"uuid-1"});

    fake.log.lines.clear();
    sync({desktop(1), noID, desktop(3, true)}); // visited in the middle of a pause
    sync({desktop(1, true)});                   // desktop 2 goes away and comes back
    sync({desktop(1, true), noID, desktop(3)});
    EXPECT_EQ(fake.log.messages(),
              (Lines{"Anchor seeded for uuid-3", "Anchor placement failed for uuid-2",
                     "Anchor placement failed for uuid-3"}));
    EXPECT_EQ(keeper->seededSpaceIDs(), Keys{"uuid-1"});
}

TEST_F(AnchorKeeperTest, ClosesVanishedAnchorsAndAnnouncesOnlyMembershipChanges) {
    sync({desktop(1, true), desktop(2), desktop(3)});
    sync({desktop(1, true), desktop(2), desktop(3)});
    sync({desktop(1), desktop(2, true), desktop(3)});
    EXPECT_EQ(announcements, 1);
    const auto anchors = fake.workspace.anchors;
    sync({desktop(1, true), desktop(2)});
    EXPECT_TRUE(anchors[2]->closed && anchors[2]->destroyed);
    EXPECT_EQ(announcements, 2);
    keeper->drop("uuid-2");
    keeper->drop("uuid-2");
    EXPECT_TRUE(anchors[1]->closed);
    EXPECT_EQ(keeper->anchor("uuid-2"), nullptr);
    EXPECT_EQ(keeper->seededSpaceIDs(), Keys{"uuid-1"});
    EXPECT_EQ(announcements, 3);
    SpaceInfo anonymous = desktop(1, true); // no keys at all: every anchor goes
    anonymous.persistenceID.reset();
    sync({anonymous});
    EXPECT_TRUE(fake.workspace.openAnchors().empty());
    EXPECT_EQ(announcements, 4);
    sync({desktop(1, true)});
    keeper.reset(); // closes without announcing
    EXPECT_TRUE(fake.workspace.openAnchors().empty());
    EXPECT_EQ(announcements, 5);
}

TEST_F(AnchorKeeperTest, AssignTrustsOnlyAnArrayOfNumbersThatHoldsTheSpace) {
    fake.windowServer.placementWorks = false;
    sync({desktop(1, true)});
    AnchorWindow& window = *keeper->anchor("uuid-1");
    const auto confirms = [&](const json& answer) {
        fake.windowServer.windowSpaces[window.windowNumber()] = answer;
        return keeper->assign(window, 9);
    };
    for (const json& yes :
         {json::array({3, 9}), json::array({9.0}), json::array({std::uint64_t{9}})}) {
        EXPECT_TRUE(confirms(yes)) << yes.dump();
    }
    for (const json& no : {json::array({3}), json::array(), json(), json::object({{"9", 9}}),
                           json::array({9, "x"}), json::array({"9"})}) {
        EXPECT_FALSE(confirms(no)) << no.dump();
    }
    EXPECT_EQ(fake.windowServer.addWindowsCalls.size(), 9u);
}

// Desktop 2's anchor, placed on it and then moved elsewhere by the window manager.
class AnchorDriftTest : public AnchorKeeperTest {
protected:
    AnchorDriftTest() {
        sync(spaces);
        fake.log.lines.clear();
    }
    void moveAndSync(const json& where, TimePoint changedAt = {}, TimePoint suppressedUntil = {}) {
        fake.windowServer.windowSpaces[keeper->anchor("uuid-2")->windowNumber()] = where;
        sync(spaces, changedAt, suppressedUntil);
    }
    std::vector<SpaceInfo> spaces = {desktop(1, true), desktop(2)};
};

// Only two strikes in a row close it: a confirmation clears a strike, silence is no evidence.
TEST_F(AnchorDriftTest, ClosesAnAnchorSeenOffItsSpaceTwiceInARowAndSeedsAFreshOne) {
    const auto original = fake.workspace.anchors[1];
    spaces[1].managedSpaceID.reset(); // nothing to compare with
    moveAndSync(json::array({12}));
    moveAndSync(json::array({12}));
    spaces[1].managedSpaceID = 2;
    moveAndSync(json::array({12}));    // a strike
    moveAndSync(json::array({2, 12})); // confirmed
    moveAndSync(json::array({12}));    // a strike
    for (const json& silence : {json(), json::array(), json::array({"12"})}) {
        moveAndSync(silence);
    }
    EXPECT_TRUE(fake.log.lines.empty());
    moveAndSync(json::array({12, 14}));
    EXPECT_TRUE(original->closed);
    EXPECT_EQ(fake.log.messages(), (Lines{"Anchor for uuid-2 drifted to [12, 14]; closing",
                                          "Anchor seeded for uuid-2"}));
    EXPECT_NE(keeper->anchor("uuid-2")->windowNumber(), original->windowNumber);
    EXPECT_EQ(announcements, 1); // membership never changed
}

TEST_F(AnchorDriftTest, IsHeldOffFor2Point5SecondsAfterASpaceChangeAndWhileASwitchIsInFlight) {
    using Limits = std::numeric_limits<TimePoint::rep>;
    const TimePoint earliest{TimePoint::duration(Limits::min())};
    const TimePoint latest{TimePoint::duration(Limits::max())};
    const TimePoint now = fake.mainQueue.now();
    const auto twice = [&](TimePoint changedAt, TimePoint suppressedUntil) {
        moveAndSync(json::array({12}), changedAt, suppressedUntil);
        moveAndSync(json::array({12}), changedAt, suppressedUntil);
    };
    twice(now - milliseconds(2500), {});
    twice({}, now + milliseconds(1));
    twice(latest, earliest);
    twice(earliest, latest);
    EXPECT_TRUE(fake.log.lines.empty());
    twice(now - milliseconds(2501), now);
    twice(earliest, earliest);
    EXPECT_EQ(fake.log.count("Anchor for uuid-2 drifted to [12]; closing"), 2u);
}

constexpr int kDesktops = 4;
constexpr std::int32_t kMovie = 500;  // owns a full-screen space
constexpr std::int32_t kEditor = 501; // its window is the top one on every desktop
constexpr const char* kInFlight = "Switch ignored: previous switch still in flight";
constexpr const char* kFallback = "(info) Keystroke fallback: Accessibility=true, switching";
constexpr const char* kDidNotLand = "(info) Keystroke switch did not land; relaunch after granting "
                                    "Accessibility may be needed";

// The keyboard after posting: "+59^" is key 59 going down with Control flagged, "-59" going up with
// no flags, a number is a pause in whole milliseconds.
Lines keystrokes(std::int64_t hops, std::uint16_t keyCode, test::FakeKeyboard keyboard = {}) {
    KeystrokePoster(keyboard).postSpaceSwitchKeystrokes(hops, keyCode);
    Lines out;
    for (const auto& [e, pause] : keyboard.steps) {
        out.push_back(!e ? std::to_string(pause.count() / 1000) + (pause.count() % 1000 ? "?" : "")
                         : (e->keyDown ? "+" : "-") + std::to_string(e->keyCode) +
                               (e->flags == KeyEvent::kControlFlag ? "^"
                                : e->flags                         ? "?"
                                                                   : ""));
    }
    return out;
}

TEST(KeystrokePoster, TapsTheArrowOncePerHopWithControlHeld) {
    EXPECT_EQ(keystrokes(0, 124), (Lines{"+59^", "20", "20", "-59"}));
    EXPECT_EQ(keystrokes(3, 123), (Lines{"+59^", "20", "+123^", "40", "-123^", "150", "+123^", "40",
                                         "-123^", "150", "+123^", "40", "-123^", "20", "-59"}));
    // Events that cannot be made are skipped; every pause is still taken.
    test::FakeKeyboard failing;
    failing.failingEvents = {{124, true}, {59, true}};
    EXPECT_EQ(keystrokes(2, 124, failing),
              (Lines{"20", "40", "-124^", "150", "40", "-124^", "20", "-59"}));
}

TEST(FocusYielder, ActivatesTheRunningOwnerOfTheFrontmostOrdinaryWindowOfAnotherApp) {
    using test::WindowServerAnswers::window;
    test::FakePlatform fake;
    fake.workspace.applications = {{kMovie, {kMovie, "Movie"}}, {kEditor, {kEditor, "Editor"}}};
    const std::int32_t own = fake.workspace.ownPID;
    const Rect big{100, 100, 800, 600};
    const auto yield = [&](const json& windows) {
        fake.workspace.activations.clear();
        fake.windowServer.windowList = windows;
        FocusYielder(fake.platform).yieldFocusToTopWindowOnCurrentSpace();
        return fake.workspace.activations;
    };
    using Pids = std::vector<std::int32_t>;
    EXPECT_EQ(yield(json::array({window(own, big), window(kEditor, big, 25),
                                 window(kMovie, Rect{0, 0, 21, 21}), window(kEditor, big)})),
              Pids{kMovie});
    EXPECT_EQ(yield(json::array({window(own, big)})), Pids{});
    EXPECT_EQ(yield(json::array({window(999, big), window(kEditor, big)})), Pids{}); // has quit
    EXPECT_EQ(yield(json::array({42, window(kEditor, big)})), Pids{});
    EXPECT_EQ(yield(json::object()), Pids{});
}

// Four desktops and a window manager, played by the test, that brings an anchor's desktop forward
// a turn after the anchor is made key and announces every change of the shown desktop.
class SpaceSwitcherTest : public ::testing::Test {
protected:
    SpaceSwitcherTest() {
        fake.workspace.applications = {{kMovie, {kMovie, "Movie"}}, {kEditor, {kEditor, "Editor"}}};
        fake.windowServer.windowList =
            json::array({test::WindowServerAnswers::window(kEditor, Rect{0, 0, 800, 600})});
        fake.workspace.onMakeKey = [this](std::int64_t window) {
            if (followsAnchors) {
                const int desktop = fake.windowServer.windowSpaces.at(window).at(0).get<int>();
                fake.mainQueue.post([this, desktop] { show(desktop); });
            }
        };
    }

    // Starts the observer with the desktop shown; the log starts empty after it.
    void start(int desktop = 2) {
        fake.setDesktops(kDesktops, desktop);
        observer = std::make_unique<SpaceObserver>(store, fake.platform);
        switcher = std::make_unique<SpaceSwitcher>(*observer, fake.platform);
        observer->start();
        show(desktop);
        fake.log.lines.clear();
    }

    void show(int desktop) {
        fake.setDesktops(kDesktops, desktop);
        fake.workspaceCenter.postNotification(NotificationCenter::kActiveSpaceDidChange);
        fake.mainQueue.drain(); // the observer refreshes on the next turn
        // Anchors lie where they were placed, or on the desktop shown when they were made.
        for (const auto& anchor : fake.workspace.anchors) {
            fake.windowServer.windowSpaces.try_emplace(anchor->windowNumber,
                                                       json::array({desktop}));
        }
    }

    long presses(std::uint16_t keyCode) const {
        return std::ranges::count_if(fake.keyboard.steps, [&](const auto& s) {
            return s.posted && s.posted->keyDown && s.posted->keyCode == keyCode;
        });
    }

    SpaceInfo desktop(int n) const { return observer->spaces().at(n - 1); }

    SpaceInfo fullscreenSpace(std::optional<std::int32_t> owner) const {
        SpaceInfo space = desktop(1);
        std::tie(space.type, space.persistenceID, space.ownerPID) =
            std::tuple(SpaceInfo::fullscreenType, "full-1", owner);
        return space;
    }

    // What the anchors and the switching wrote, in order, without detections and failed placements.
    Lines story() const {
        Lines lines = fake.log.messages();
        std::erase_if(lines, [](const std::string& m) {
            return m.starts_with("(info) Detected ") || m.find(" display=") != std::string::npos ||
                   m.starts_with("Anchor placement failed");
        });
        return lines;
    }

    test::FakePlatform fake;
    MemoryDefaults defaults;
    SpaceNameStore store{defaults};
    std::unique_ptr<SpaceObserver> observer;
    std::unique_ptr<SpaceSwitcher> switcher;
    bool followsAnchors = true;
};

// A window manager that shows a desktop on request, a turn later, when it follows requests at all.
class DirectSwitchTest : public SpaceSwitcherTest {
protected:
    DirectSwitchTest() {
        fake.windowServer.hasShowSpace = true;
        fake.windowServer.onShowSpace = [this](std::int64_t desktop) {
            if (followsRequests) {
                fake.mainQueue.post([this, desktop] { show(static_cast<int>(desktop)); });
            }
        };
    }
    bool followsRequests = true;
};

// Until the landing is seen (at most 1.2 s) later requests wait, the latest winning; a request the
// window manager ignores is only logged. No anchor, keystroke or activation is involved.
TEST_F(DirectSwitchTest, QueuesTheLatestRequestUntilTheLandingOrTheBound) {
    using Outcome = SpaceSwitcher::Outcome;
    using Calls = std::vector<std::int64_t>;
    start();
    SpaceInfo unnamed = desktop(3);
    unnamed.managedSpaceID.reset();
    for (const bool trusted : {false, true}) { // every named desktop, visited or not
        fake.keyboard.trusted = trusted;
        EXPECT_TRUE(switcher->canSwitch(desktop(4)));
        EXPECT_FALSE(switcher->canSwitch(unnamed));
        EXPECT_TRUE(switcher->canSwitch(fullscreenSpace(kMovie)));
    }
    EXPECT_EQ(switcher->switchTo(unnamed), Outcome::Refused);
    EXPECT_EQ(switcher->switchTo(desktop(4)), Outcome::Started);
    EXPECT_EQ(switcher->switchTo(desktop(1)), Outcome::Queued);
    EXPECT_EQ(switcher->switchTo(desktop(3)), Outcome::Queued); // replaces the wait for 1
    EXPECT_EQ(fake.windowServer.showSpaceCalls, Calls{4});
    fake.mainQueue.advance(milliseconds(100)); // 4 lands, then 3 goes and lands
    EXPECT_EQ(fake.windowServer.showSpaceCalls, (Calls{4, 3}));
    EXPECT_TRUE(desktop(3).isCurrent);
    EXPECT_EQ(switcher->switchTo(desktop(1)), Outcome::Started); // right after the landing
    EXPECT_EQ(switcher->switchTo(desktop(2)), Outcome::Queued);
    EXPECT_EQ(switcher->switchTo(desktop(1)), Outcome::Queued); // back to the one in flight
    fake.mainQueue.advance(milliseconds(100));
    EXPECT_EQ(switcher->switchTo(desktop(1)), Outcome::AlreadyThere);
    EXPECT_EQ(fake.windowServer.showSpaceCalls, (Calls{4, 3, 1}));

    followsRequests = false;
    switcher->switchTo(desktop(2));
    switcher->switchTo(desktop(4));
    fake.mainQueue.advance(milliseconds(1199));
    EXPECT_EQ(fake.windowServer.showSpaceCalls, (Calls{4, 3, 1, 2}));
    fake.mainQueue.advance(milliseconds(1)); // at the bound the queued request goes
    EXPECT_EQ(fake.windowServer.showSpaceCalls, (Calls{4, 3, 1, 2, 4}));
    switcher->switchTo(desktop(3));
    show(3); // reached by other means while 4 is in flight: nothing left to do at the bound
    fake.mainQueue.advance(milliseconds(1200));
    EXPECT_EQ(fake.windowServer.showSpaceCalls, (Calls{4, 3, 1, 2, 4}));
    EXPECT_EQ(switcher->switchTo(desktop(2)), Outcome::Started); // not held against the desktop
    fake.backgroundQueue.runAll();
    EXPECT_EQ(fake.log.count("Direct switch did NOT land"), 2u);
    EXPECT_TRUE(fake.keyboard.steps.empty() && fake.workspace.anchors.empty());
    EXPECT_TRUE(fake.workspace.activations.empty() && fake.workspace.ownActivations == 0);
}

// Which rows can be acted on without and with Accessibility; a switch in flight changes nothing.
TEST_F(SpaceSwitcherTest, CanSwitchForEveryKindOfRow) {
    start();
    switcher->switchTo(desktop(4));
    const auto variant = [&](std::optional<std::string> key, int type, bool current) {
        SpaceInfo space = desktop(3);
        std::tie(space.persistenceID, space.type, space.isCurrent) = std::tuple(key, type, current);
        return space;
    };
    const std::vector<std::tuple<const char*, SpaceInfo, bool, bool>> rows = {
        {"current desktop", desktop(2), true, true},
        {"current row of any kind", variant(std::nullopt, 2, true), true, true},
        {"desktop with an anchor", desktop(3), true, true},
        {"desktop without an anchor", variant("uuid-99", 0, false), false, true},
        {"desktop without a key", variant(std::nullopt, 0, false), false, false},
        {"other kind without an anchor", variant("uuid-99", 2, false), false, true},
        {"full-screen space of a running app", fullscreenSpace(kMovie), true, true},
        {"full-screen space of a quit app", fullscreenSpace(999), false, false},
        {"full-screen space without an owner", fullscreenSpace(std::nullopt), false, false}};
    for (const auto& [what, row, untrusted, trusted] : rows) {
        SCOPED_TRACE(what);
        fake.keyboard.trusted = false;
        EXPECT_EQ(switcher->canSwitch(row), untrusted);
        fake.keyboard.trusted = true;
        EXPECT_EQ(switcher->canSwitch(row), trusted);
    }
}

// An anchor switch checks its landing and an app switch refreshes 900 ms later; both hold back
// every other switch for 1.2 s.
TEST_F(SpaceSwitcherTest, AnchorAndAppSwitchesCheckLaterAndHoldBackOthersFor1Point2Seconds) {
    start();
    switcher->switchTo(fullscreenSpace(std::nullopt));
    switcher->switchTo(fullscreenSpace(999));
    switcher->switchTo(desktop(2)); // the current space: nothing at all, even in flight
    switcher->switchTo(desktop(3));
    switcher->switchTo(desktop(2));
    const auto anchor = fake.workspace.anchors[2];
    fake.mainQueue.advance(milliseconds(899));
    EXPECT_TRUE(fake.workspace.activations.empty());
    fake.mainQueue.advance(milliseconds(1));
    EXPECT_EQ(fake.workspace.activations, std::vector<std::int32_t>{kEditor});
    EXPECT_TRUE(desktop(3).isCurrent);
    fake.mainQueue.advance(milliseconds(100));
    switcher->switchTo(desktop(4));
    switcher->switchTo(fullscreenSpace(kMovie));
    fake.mainQueue.advance(milliseconds(200)); // exactly at the limit
    switcher->switchTo(fullscreenSpace(kMovie));
    EXPECT_EQ(fake.workspace.activations, (std::vector<std::int32_t>{kEditor, kMovie}));
    const int detections = fake.windowServer.copyManagedDisplaySpacesCalls;
    fake.mainQueue.advance(milliseconds(899));
    EXPECT_EQ(fake.windowServer.copyManagedDisplaySpacesCalls, detections);
    fake.mainQueue.advance(milliseconds(1));
    EXPECT_EQ(fake.windowServer.copyManagedDisplaySpacesCalls, detections + 1);
    fake.mainQueue.advance(milliseconds(299));
    switcher->switchTo(desktop(4));
    fake.mainQueue.advance(milliseconds(1));
    switcher->switchTo(desktop(4));
    EXPECT_FALSE(anchor->closed);
    EXPECT_EQ(fake.workspace.ownActivations, 2);
    EXPECT_EQ(story(), (Lines{"Switch skipped: fullscreen space owner is no longer running",
                              "Switch skipped: fullscreen space owner is no longer running",
                              "Anchor switch to uuid-3", "Anchor switch landed", kInFlight,
                              kInFlight, "App-activation switch to fullscreen space of pid 500",
                              kInFlight, "Anchor switch to uuid-4"}));
}

// Without anchors on hidden desktops, switching needs Accessibility and the current display.
TEST_F(SpaceSwitcherTest, KeystrokesCrossTheDesktopsBetweenAndCheckTheLandingLater) {
    fake.windowServer.hasCopySpacesForWindows = false;
    start(4);
    switcher->switchTo(desktop(1));
    fake.keyboard.trusted = true;
    SpaceInfo elsewhere = desktop(1);
    elsewhere.displayIdentifier = "SIDE-UUID";
    switcher->switchTo(elsewhere);
    SpaceInfo twin = desktop(4); // same position as the current desktop
    std::tie(twin.isCurrent, twin.persistenceID) = std::tuple(false, "uuid-twin");
    switcher->switchTo(twin);
    EXPECT_EQ(fake.backgroundQueue.pendingCount(), 0u);

    switcher->switchTo(desktop(1));
    switcher->switchTo(desktop(3));                     // keystroke switches hold nothing back
    EXPECT_TRUE(fake.keyboard.steps.empty());           // posted off the main thread
    fake.backgroundQueue.runAll();                      // the window manager ignores them
    EXPECT_EQ(presses(KeyEvent::kLeftArrowKeyCode), 4); // three, then one
    EXPECT_EQ(fake.mainQueue.requestedDelays(),
              (std::vector<Milliseconds>{milliseconds(1850), milliseconds(1150)}));
    fake.mainQueue.advance(milliseconds(1850));
    const SpaceInfo target = desktop(1);
    fake.windowServer.managedDisplaySpaces = json::array(); // no current space at all
    observer->refresh();
    switcher->switchTo(target);
    const Lines skipped = {kFallback, "(info) Switch skipped: target is on another display"};
    EXPECT_EQ(
        story(),
        (Lines{"Click ignored: no anchor for this space yet (visit it once to seed) and no "
               "Accessibility fallback",
               skipped[0], skipped[1], kFallback, kFallback, "(info) Keystroke switch: -3 hops",
               kFallback, "(info) Keystroke switch: -1 hops", kDidNotLand, kDidNotLand, skipped[0],
               skipped[1]}));
}

// A session where desktops can only be seeded while shown.
TEST_F(SpaceSwitcherTest, StoryOfSeedingWhileVisitingAnchorMissAndKeystrokeFallback) {
    fake.windowServer.hasCopySpacesForWindows = false;
    fake.keyboard.trusted = true;
    start(1);
    EXPECT_EQ(switcher->seededSpaceIDs(), Keys{"uuid-1"});
    fake.mainQueue.advance(milliseconds(3000));
    show(2); // the user visits desktop 2 by other means
    EXPECT_EQ(switcher->seededSpaceIDs(), (Keys{"uuid-1", "uuid-2"}));

    fake.mainQueue.advance(milliseconds(3000));
    switcher->switchTo(desktop(1)); // back through its anchor
    fake.mainQueue.advance(milliseconds(1200));
    EXPECT_TRUE(desktop(1).isCurrent);
    EXPECT_EQ(fake.workspace.activations, std::vector<std::int32_t>{kEditor});

    followsAnchors = false; // a debug request whose anchor the window manager ignores
    fake.distributedCenter.postNotification(NotificationCenter::kDebugSwitchTo, "2");
    fake.mainQueue.advance(milliseconds(1200));
    EXPECT_EQ(switcher->seededSpaceIDs(), Keys{"uuid-1"});
    EXPECT_TRUE(switcher->canSwitch(desktop(2))); // only because keystrokes are allowed

    switcher->switchTo(desktop(2)); // keystrokes land and re-seed it
    fake.backgroundQueue.runAll();
    EXPECT_EQ(presses(KeyEvent::kRightArrowKeyCode), 1);
    show(2);
    fake.mainQueue.advance(milliseconds(1150));
    EXPECT_EQ(switcher->seededSpaceIDs(), (Keys{"uuid-1", "uuid-2"}));
    EXPECT_EQ(fake.workspace.openAnchors().size(), 2u);
    switcher->switchTo(desktop(1)); // its landing check is due after the observer is gone
    switcher.reset();
    observer.reset();
    fake.mainQueue.advance(milliseconds(5000));
    EXPECT_EQ(story(),
              (Lines{"Anchor seeded for uuid-2", "Anchor switch to uuid-1", "Anchor switch landed",
                     "(info) Debug switch request to desktop 2", "Anchor switch to uuid-2",
                     "Anchor switch did NOT land", kFallback, "(info) Keystroke switch: 1 hops",
                     "Anchor seeded for uuid-2", "Anchor switch to uuid-1"}));
}

} // namespace
} // namespace quillbar
