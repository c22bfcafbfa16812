#include "FakePlatform.h"
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"
#include "observer/SpaceObserver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace quillbar {
namespace {

using nlohmann::json;
using std::chrono::milliseconds;
using Keys = std::set<std::string>;
using Line = test::FakeLog::Line;

constexpr int kDesktops = 4;
constexpr const char* kDidNotLand =
    "Keystroke switch did not land; relaunch after granting Accessibility may be needed";
constexpr std::int32_t kMovie = 500;  // owns a full-screen space
constexpr std::int32_t kEditor = 501; // has a window on every desktop

// One display with four desktops; every anchor is placed on its desktop, and making an anchor key
// brings its desktop forward a moment later, as the window manager does.
class SpaceSwitcherTest : public ::testing::Test {
protected:
    SpaceSwitcherTest() {
        fake.setDesktops(kDesktops, 2);
        fake.workspace.applications[kMovie] = RunningApplication{kMovie, "Movie"};
        fake.workspace.applications[kEditor] = RunningApplication{kEditor, "Editor"};
        fake.windowServer.windowList =
            json::array({test::WindowServerAnswers::window(kEditor, Rect{0, 0, 800, 600})});
        fake.workspace.onMakeKey = [this](std::int64_t window) {
            if (!windowManagerFollowsAnchors) {
                return;
            }
            fake.mainQueue.post([this, window] { show(desktopHolding(window)); });
        };
        observer = std::make_unique<SpaceObserver>(store, fake.platform);
        refresh();
        fake.log.lines.clear();
    }

    // Refreshes, and lets the window server report each new anchor on the desktop it was made on.
    void refresh() {
        observer->refresh();
        for (const auto& anchor : fake.workspace.anchors) {
            fake.windowServer.windowSpaces.try_emplace(anchor->windowNumber,
                                                       json::array({shownDesktop}));
        }
    }

    void show(int desktop) {
        shownDesktop = desktop;
        fake.setDesktops(kDesktops, desktop);
    }

    int desktopHolding(std::int64_t window) {
        const auto found = fake.windowServer.windowSpaces.find(window);
        return found == fake.windowServer.windowSpaces.end() ? shownDesktop
                                                             : found->second.at(0).get<int>();
    }

    // The detected record of desktop n.
    SpaceInfo desktop(int n) const {
        const auto& spaces = observer->spaces();
        const auto found = std::find_if(spaces.begin(), spaces.end(),
                                        [&](const SpaceInfo& s) { return s.desktopIndex == n; });
        EXPECT_NE(found, spaces.end()) << "no desktop " << n;
        return found == spaces.end() ? SpaceInfo{} : *found;
    }

    SpaceInfo fullscreenSpace(std::optional<std::int32_t> owner) const {
        SpaceInfo space = desktop(1);
        space.type = SpaceInfo::fullscreenType;
        space.persistenceID = "full-1";
        space.ownerPID = owner;
        return space;
    }

    // A desktop that has no anchor: forgotten after a failed switch, and not placed again because
    // the window server stops accepting anchors on hidden desktops.
    SpaceInfo unanchoredDesktop(int n) {
        fake.windowServer.placementWorks = false;
        windowManagerFollowsAnchors = false;
        observer->switchTo(desktop(n));
        fake.mainQueue.advance(milliseconds(1200));
        windowManagerFollowsAnchors = true;
        fake.log.lines.clear();
        fake.workspace.activations.clear();
        EXPECT_EQ(observer->seededSpaceIDs().count("uuid-" + std::to_string(n)), 0u);
        return desktop(n);
    }

    // The log without the detection lines that every changed list brings.
    std::vector<Line> lines() const {
        std::vector<Line> kept;
        std::copy_if(fake.log.lines.begin(), fake.log.lines.end(), std::back_inserter(kept),
                     [](const Line& line) {
                         const std::string& m = line.message;
                         return !m.starts_with("Detected ") && !m.starts_with("space display=") &&
                                !m.starts_with("current display=");
                     });
        return kept;
    }
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const Line& line : lines()) {
            out.push_back(line.message);
        }
        return out;
    }

    test::FakePlatform fake;
    MemoryDefaults defaults;
    SpaceNameStore store{defaults};
    std::unique_ptr<SpaceObserver> observer;
    int shownDesktop = 2;
    bool windowManagerFollowsAnchors = true;
};

// --- Whether a row can be acted on -----------------------------------------------------------

TEST_F(SpaceSwitcherTest, CanSwitchForEveryKindOfRow) {
    ASSERT_EQ(observer->seededSpaceIDs(), (Keys{"uuid-1", "uuid-2", "uuid-3", "uuid-4"}));
    SpaceInfo unseeded = desktop(3);
    unseeded.persistenceID = "uuid-99";
    SpaceInfo anonymous = desktop(3);
    anonymous.persistenceID.reset();
    SpaceInfo otherKind = unseeded;
    otherKind.type = 2;
    SpaceInfo anonymousCurrent = anonymous;
    anonymousCurrent.isCurrent = true;
    anonymousCurrent.type = 2;

    struct Row {
        const char* what;
        SpaceInfo space;
        bool untrusted;
        bool trusted;
    };
    const std::vector<Row> rows = {
        {"current desktop", desktop(2), true, true},
        {"current row of any kind", anonymousCurrent, true, true},
        {"desktop with an anchor", desktop(3), true, true},
        {"desktop without an anchor", unseeded, false, true},
        {"desktop without a persistence id", anonymous, false, false},
        {"other kind without an anchor", otherKind, false, true},
        {"full-screen space of a running app", fullscreenSpace(kMovie), true, true},
        {"full-screen space of a quit app", fullscreenSpace(999), false, false},
        {"full-screen space without an owner", fullscreenSpace(std::nullopt), false, false},
    };
    observer->switchTo(desktop(4)); // a switch in flight changes none of the answers
    for (const Row& row : rows) {
        fake.keyboard.trusted = false;
        EXPECT_EQ(observer->canSwitch(row.space), row.untrusted) << row.what << ", untrusted";
        fake.keyboard.trusted = true;
        EXPECT_EQ(observer->canSwitch(row.space), row.trusted) << row.what << ", trusted";
    }
}

// --- The in-flight window --------------------------------------------------------------------

TEST_F(SpaceSwitcherTest, RefusesEverySwitchFor1Point2SecondsAfterAnAnchorSwitch) {
    observer->switchTo(desktop(3));
    fake.mainQueue.advance(milliseconds(1000));
    observer->switchTo(desktop(4));
    observer->switchTo(fullscreenSpace(kMovie));
    EXPECT_EQ(messages(),
              (std::vector<std::string>{"Anchor switch to uuid-3", "Anchor switch landed",
                                        "Switch ignored: previous switch still in flight",
                                        "Switch ignored: previous switch still in flight"}));
    EXPECT_EQ(lines()[2].level, LogLevel::Default);

    fake.mainQueue.advance(milliseconds(200)); // exactly at the limit
    observer->switchTo(desktop(4));
    EXPECT_EQ(messages().back(), "Anchor switch to uuid-4");
}

TEST_F(SpaceSwitcherTest, RequestForTheCurrentSpaceDoesNothingEvenInFlight) {
    observer->switchTo(desktop(2));
    observer->switchTo(desktop(3));
    observer->switchTo(desktop(2));
    EXPECT_EQ(messages(), std::vector<std::string>{"Anchor switch to uuid-3"});
    EXPECT_EQ(fake.workspace.ownActivations, 1);
}

TEST_F(SpaceSwitcherTest, KeystrokeSwitchesDoNotHoldBackTheNext) {
    fake.keyboard.trusted = true;
    const SpaceInfo first = unanchoredDesktop(1);
    const SpaceInfo fourth = unanchoredDesktop(4);
    observer->switchTo(first);
    observer->switchTo(fourth);
    EXPECT_EQ(fake.log.count("Switch ignored: previous switch still in flight"), 0u);
    EXPECT_EQ(fake.backgroundQueue.pendingCount(), 2u);
}

// --- Full-screen spaces ----------------------------------------------------------------------

TEST_F(SpaceSwitcherTest, ActivatesTheOwnerOfAFullScreenSpaceAndRefreshesLater) {
    observer->switchTo(fullscreenSpace(kMovie));
    EXPECT_EQ(fake.workspace.activations, std::vector<std::int32_t>{kMovie});
    EXPECT_EQ(lines(),
              (std::vector<Line>{{LogLevel::Default, "App-activation switch to fullscreen space of "
                                                     "pid 500"}}));

    const int detections = fake.windowServer.copyManagedDisplaySpacesCalls;
    fake.mainQueue.advance(milliseconds(899));
    EXPECT_EQ(fake.windowServer.copyManagedDisplaySpacesCalls, detections);
    fake.mainQueue.advance(milliseconds(1));
    EXPECT_EQ(fake.windowServer.copyManagedDisplaySpacesCalls, detections + 1);

    fake.mainQueue.advance(milliseconds(299)); // the in-flight window holds until 1.2 s
    observer->switchTo(desktop(4));
    EXPECT_EQ(messages().back(), "Switch ignored: previous switch still in flight");
}

TEST_F(SpaceSwitcherTest, SkipsFullScreenSpacesWhoseOwnerIsGone) {
    fake.keyboard.trusted = true;
    observer->switchTo(fullscreenSpace(std::nullopt));
    observer->switchTo(fullscreenSpace(999));
    EXPECT_EQ(messages(),
              std::vector<std::string>(2, "Switch skipped: fullscreen space owner is no longer "
                                          "running"));
    EXPECT_TRUE(fake.workspace.activations.empty());
    EXPECT_TRUE(fake.mainQueue.requestedDelays().empty());
}

// --- Anchor switches -------------------------------------------------------------------------

TEST_F(SpaceSwitcherTest, AnchorSwitchThatLandsKeepsTheAnchorAndHandsOnTheFocus) {
    observer->switchTo(desktop(3));
    const auto anchor = fake.workspace.anchors[2];
    EXPECT_EQ(anchor->madeKey, 1);
    EXPECT_EQ(fake.workspace.ownActivations, 1);

    fake.mainQueue.advance(milliseconds(899));
    EXPECT_TRUE(fake.workspace.activations.empty());
    fake.mainQueue.advance(milliseconds(1));
    EXPECT_EQ(fake.workspace.activations, std::vector<std::int32_t>{kEditor});
    EXPECT_TRUE(observer->spaces()[2].isCurrent);
    EXPECT_EQ(lines().back(), (Line{LogLevel::Default, "Anchor switch landed"}));
    EXPECT_FALSE(anchor->closed);
    EXPECT_EQ(observer->seededSpaceIDs().count("uuid-3"), 1u);
}

TEST_F(SpaceSwitcherTest, AnchorSwitchThatDoesNotLandDropsTheAnchor) {
    windowManagerFollowsAnchors = false;
    int announcements = 0;
    Subscription watch = observer->subscribe([&] { ++announcements; });

    observer->switchTo(desktop(3));
    const auto anchor = fake.workspace.anchors[2];
    fake.mainQueue.advance(milliseconds(900));

    EXPECT_EQ(lines().back(), (Line{LogLevel::Default, "Anchor switch did NOT land"}));
    EXPECT_TRUE(anchor->closed);
    EXPECT_EQ(observer->seededSpaceIDs(), (Keys{"uuid-1", "uuid-2", "uuid-4"}));
    EXPECT_GE(announcements, 1);

    // The next request for that desktop goes the keystroke way.
    fake.mainQueue.advance(milliseconds(300));
    fake.keyboard.trusted = true;
    observer->switchTo(desktop(3));
    EXPECT_EQ(messages().back(), "Keystroke switch: 1 hops");
}

TEST_F(SpaceSwitcherTest, PendingChecksDoNothingOnceTheObserverIsGone) {
    observer->switchTo(desktop(3));
    observer->switchTo(desktop(3));
    fake.keyboard.trusted = true;
    observer.reset();
    fake.mainQueue.advance(milliseconds(5000));
    EXPECT_EQ(messages(),
              (std::vector<std::string>{"Anchor switch to uuid-3",
                                        "Switch ignored: previous switch still in flight"}));
}

// --- Keystroke fallback ----------------------------------------------------------------------

TEST_F(SpaceSwitcherTest, WithoutAnAnchorOrAccessibilityTheClickIsIgnored) {
    const SpaceInfo target = unanchoredDesktop(4);
    observer->switchTo(target);
    EXPECT_EQ(lines(),
              (std::vector<Line>{{LogLevel::Default,
                                  "Click ignored: no anchor for this space yet (visit it once to "
                                  "seed) and no Accessibility fallback"}}));
    EXPECT_EQ(fake.backgroundQueue.pendingCount(), 0u);
}

TEST_F(SpaceSwitcherTest, ThreeDesktopsToTheLeftPostsThreeLeftArrowsAndChecksAfter1850ms) {
    fake.keyboard.trusted = true;
    show(4);
    refresh();
    const SpaceInfo target = unanchoredDesktop(1);

    observer->switchTo(target);
    EXPECT_EQ(lines(),
              (std::vector<Line>{{LogLevel::Info, "Keystroke fallback: AXIsProcessTrusted=true, "
                                                  "switching"},
                                 {LogLevel::Info, "Keystroke switch: -3 hops"}}));
    EXPECT_TRUE(fake.keyboard.steps.empty()); // posted off the main thread
    ASSERT_EQ(fake.backgroundQueue.runAll(), 1u);
    const auto arrows =
        std::count_if(fake.keyboard.steps.begin(), fake.keyboard.steps.end(),
                      [](const auto& step) { return step.posted && step.posted->keyCode == 123; });
    EXPECT_EQ(arrows, 6); // down and up, three times
    EXPECT_EQ(fake.mainQueue.requestedDelays().back(), milliseconds(1850));

    fake.mainQueue.advance(milliseconds(1849));
    EXPECT_EQ(lines().size(), 2u);
    fake.mainQueue.advance(milliseconds(1));
    EXPECT_EQ(lines().back(), (Line{LogLevel::Info, kDidNotLand}));
}

TEST_F(SpaceSwitcherTest, OneDesktopToTheRightPostsOneRightArrowAndLandsQuietly) {
    fake.keyboard.trusted = true;
    const SpaceInfo target = unanchoredDesktop(3);
    observer->switchTo(target);
    EXPECT_EQ(messages().back(), "Keystroke switch: 1 hops");
    fake.backgroundQueue.runAll();
    EXPECT_EQ(fake.keyboard.steps[2],
              (test::FakeKeyboard::Step{KeyEvent{124, true, KeyEvent::kControlFlag}, {}}));
    EXPECT_EQ(fake.mainQueue.requestedDelays().back(), milliseconds(1150));
    show(3); // the window manager followed the keystrokes

    fake.mainQueue.advance(milliseconds(1150));
    EXPECT_EQ(fake.log.count(kDidNotLand), 0u);
    EXPECT_TRUE(observer->spaces()[2].isCurrent);
}

TEST_F(SpaceSwitcherTest, DesktopWithoutPersistenceIDIsSwitchedByKeystrokes) {
    fake.keyboard.trusted = true;
    SpaceInfo target = desktop(1);
    target.persistenceID.reset();
    observer->switchTo(target);
    EXPECT_EQ(messages().back(), "Keystroke switch: -1 hops");
    EXPECT_EQ(fake.workspace.ownActivations, 0);
}

TEST_F(SpaceSwitcherTest, KeystrokesStayOnTheCurrentSpacesDisplay) {
    fake.keyboard.trusted = true;
    const SpaceInfo target = unanchoredDesktop(1);
    SpaceInfo elsewhere = target;
    elsewhere.displayIdentifier = "SIDE-UUID";
    observer->switchTo(elsewhere);
    EXPECT_EQ(lines().back(),
              (Line{LogLevel::Info, "Switch skipped: target is on another display"}));

    fake.windowServer.managedDisplaySpaces = json::array(); // no current space at all
    refresh();
    fake.log.lines.clear();
    observer->switchTo(target);
    EXPECT_EQ(messages(),
              (std::vector<std::string>{"Keystroke fallback: AXIsProcessTrusted=true, switching",
                                        "Switch skipped: target is on another display"}));
    EXPECT_EQ(fake.backgroundQueue.pendingCount(), 0u);
}

TEST_F(SpaceSwitcherTest, SamePositionAsTheCurrentSpaceReturnsSilently) {
    fake.keyboard.trusted = true;
    SpaceInfo twin = desktop(2);
    twin.isCurrent = false;
    twin.persistenceID = "uuid-twin";
    observer->switchTo(twin);
    EXPECT_EQ(messages(),
              std::vector<std::string>{"Keystroke fallback: AXIsProcessTrusted=true, switching"});
    EXPECT_EQ(fake.backgroundQueue.pendingCount(), 0u);
}

TEST_F(SpaceSwitcherTest, LandingWithoutManagedIDsOnEitherSideCountsAsLanded) {
    fake.keyboard.trusted = true;
    SpaceInfo target = unanchoredDesktop(3);
    target.managedSpaceID.reset();
    // The window server stops naming its spaces: the current record has no managed id either.
    json answer = fake.windowServer.managedDisplaySpaces;
    for (json& space : answer[0]["Spaces"]) {
        space.erase("ManagedSpaceID");
        space.erase("id64");
    }
    observer->switchTo(target);
    fake.windowServer.managedDisplaySpaces = answer;
    fake.mainQueue.advance(milliseconds(1150));
    EXPECT_EQ(fake.log.count(kDidNotLand), 0u);
}

} // namespace
} // namespace quillbar
