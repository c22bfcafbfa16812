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
using Lines = std::vector<std::string>;

constexpr int kDesktops = 4;
constexpr std::int32_t kMovie = 500;  // owns a full-screen space
constexpr std::int32_t kEditor = 501; // its window is the top one on every desktop
constexpr const char* kInFlight = "Switch ignored: previous switch still in flight";
constexpr const char* kFallback = "(info) Keystroke fallback: AXIsProcessTrusted=true, switching";
constexpr const char* kDidNotLand = "(info) Keystroke switch did not land; relaunch after granting "
                                    "Accessibility may be needed";

// One display with four desktops and a window manager played by the test: it brings an anchor's
// desktop forward a turn after the anchor is made key, follows delivered Control+arrow keystrokes,
// and announces every change of the shown desktop.
class SpaceSwitcherTest : public ::testing::Test {
protected:
    SpaceSwitcherTest() {
        fake.workspace.applications[kMovie] = RunningApplication{kMovie, "Movie"};
        fake.workspace.applications[kEditor] = RunningApplication{kEditor, "Editor"};
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
        show(desktop);
        observer = std::make_unique<SpaceObserver>(store, fake.platform);
        observer->start();
        rememberNewAnchors();
        fake.log.lines.clear();
    }

    void show(int desktop) {
        shown = desktop;
        fake.setDesktops(kDesktops, desktop);
        fake.workspaceCenter.postNotification(NotificationCenter::kActiveSpaceDidChange);
        rememberNewAnchors();
    }

    // Anchors lie where they were placed, or on the desktop shown when they were made.
    void rememberNewAnchors() {
        for (const auto& anchor : fake.workspace.anchors) {
            fake.windowServer.windowSpaces.try_emplace(anchor->windowNumber, json::array({shown}));
        }
    }

    // Key presses of the key code so far.
    long presses(std::uint16_t keyCode) const {
        return std::count_if(fake.keyboard.steps.begin(), fake.keyboard.steps.end(), [&](auto& s) {
            return s.posted && s.posted->keyDown && s.posted->keyCode == keyCode;
        });
    }
    long netRightPresses() const {
        return presses(KeyEvent::kRightArrowKeyCode) - presses(KeyEvent::kLeftArrowKeyCode);
    }
    // Runs the keystrokes posted off the main thread; the window manager follows them if told to.
    void deliverKeystrokes(bool follow = true) {
        const long before = netRightPresses();
        fake.backgroundQueue.runAll();
        if (follow && netRightPresses() != before) {
            show(std::clamp<int>(shown + netRightPresses() - before, 1, kDesktops));
        }
    }

    SpaceInfo desktop(int n) const { return observer->spaces().at(n - 1); }

    SpaceInfo fullscreenSpace(std::optional<std::int32_t> owner) const {
        SpaceInfo space = desktop(1);
        space.type = SpaceInfo::fullscreenType;
        space.persistenceID = "full-1";
        space.ownerPID = owner;
        return space;
    }

    // What the anchors and the switching wrote, in order, Info lines marked; detection lists and
    // failed placements left out.
    Lines story() const {
        Lines lines;
        for (const auto& [level, m] : fake.log.lines) {
            if (!m.starts_with("Detected ") && !m.starts_with("space display=") &&
                !m.starts_with("current display=") && !m.starts_with("Anchor placement failed")) {
                lines.push_back((level == LogLevel::Info ? "(info) " : "") + m);
            }
        }
        return lines;
    }

    test::FakePlatform fake;
    MemoryDefaults defaults;
    SpaceNameStore store{defaults};
    std::unique_ptr<SpaceObserver> observer;
    int shown = 2;
    bool followsAnchors = true;
};

// Which rows can be acted on without and with Accessibility.
TEST_F(SpaceSwitcherTest, CanSwitchForEveryKindOfRow) {
    start();
    observer->switchTo(desktop(4)); // a switch in flight changes none of the answers
    const auto check = [&](const char* what, const SpaceInfo& row, bool untrusted, bool trusted) {
        fake.keyboard.trusted = false;
        EXPECT_EQ(observer->canSwitch(row), untrusted) << what << ", untrusted";
        fake.keyboard.trusted = true;
        EXPECT_EQ(observer->canSwitch(row), trusted) << what << ", trusted";
    };
    const auto variant = [&](std::optional<std::string> key, int type, bool current) {
        SpaceInfo space = desktop(3);
        space.persistenceID = std::move(key);
        space.type = type;
        space.isCurrent = current;
        return space;
    };
    check("current desktop", desktop(2), true, true);
    check("current row of any kind", variant(std::nullopt, 2, true), true, true);
    check("desktop with an anchor", desktop(3), true, true);
    check("desktop without an anchor", variant("uuid-99", 0, false), false, true);
    check("desktop without a key", variant(std::nullopt, 0, false), false, false);
    check("other kind without an anchor", variant("uuid-99", 2, false), false, true);
    check("full-screen space of a running app", fullscreenSpace(kMovie), true, true);
    check("full-screen space of a quit app", fullscreenSpace(999), false, false);
    check("full-screen space without an owner", fullscreenSpace(std::nullopt), false, false);
}

// An anchor switch makes the anchor key, hands the focus on and checks the landing 900 ms later; an
// app switch activates the owner of a full-screen space and refreshes 900 ms later. Both hold back
// every other switch for 1.2 s.
TEST_F(SpaceSwitcherTest, AnchorAndAppSwitchesCheckLaterAndHoldBackOthersFor1Point2Seconds) {
    start();
    observer->switchTo(fullscreenSpace(std::nullopt));
    observer->switchTo(fullscreenSpace(999));
    observer->switchTo(desktop(2)); // the current space: nothing at all, even in flight
    observer->switchTo(desktop(3));
    observer->switchTo(desktop(2));
    const auto anchor = fake.workspace.anchors[2];
    EXPECT_EQ(anchor->madeKey, 1);
    fake.mainQueue.advance(milliseconds(899));
    EXPECT_TRUE(fake.workspace.activations.empty());
    fake.mainQueue.advance(milliseconds(1));
    EXPECT_EQ(fake.workspace.activations, std::vector<std::int32_t>{kEditor});
    EXPECT_TRUE(desktop(3).isCurrent);
    fake.mainQueue.advance(milliseconds(100));
    observer->switchTo(desktop(4));
    observer->switchTo(fullscreenSpace(kMovie));
    fake.mainQueue.advance(milliseconds(200)); // exactly at the limit
    observer->switchTo(fullscreenSpace(kMovie));
    EXPECT_EQ(fake.workspace.activations, (std::vector<std::int32_t>{kEditor, kMovie}));
    const int detections = fake.windowServer.copyManagedDisplaySpacesCalls;
    fake.mainQueue.advance(milliseconds(899));
    EXPECT_EQ(fake.windowServer.copyManagedDisplaySpacesCalls, detections);
    fake.mainQueue.advance(milliseconds(1));
    EXPECT_EQ(fake.windowServer.copyManagedDisplaySpacesCalls, detections + 1);
    fake.mainQueue.advance(milliseconds(299));
    observer->switchTo(desktop(4));
    fake.mainQueue.advance(milliseconds(1));
    observer->switchTo(desktop(4));
    EXPECT_FALSE(anchor->closed);
    EXPECT_EQ(fake.workspace.ownActivations, 2);
    EXPECT_EQ(story(), (Lines{"Switch skipped: fullscreen space owner is no longer running",
                              "Switch skipped: fullscreen space owner is no longer running",
                              "Anchor switch to uuid-3", "Anchor switch landed", kInFlight,
                              kInFlight, "App-activation switch to fullscreen space of pid 500",
                              kInFlight, "Anchor switch to uuid-4"}));
}

TEST_F(SpaceSwitcherTest, PendingChecksDoNothingOnceTheObserverIsGone) {
    start();
    observer->switchTo(desktop(3));
    fake.keyboard.trusted = true;
    observer.reset();
    fake.mainQueue.advance(milliseconds(5000));
    EXPECT_EQ(story(), Lines{"Anchor switch to uuid-3"});
}

// Without anchors on hidden desktops, switching needs Accessibility and the current display.
TEST_F(SpaceSwitcherTest, KeystrokesCrossTheDesktopsBetweenAndCheckTheLandingLater) {
    fake.windowServer.hasCopySpacesForWindows = false;
    start(4);
    observer->switchTo(desktop(1));
    fake.keyboard.trusted = true;
    SpaceInfo elsewhere = desktop(1);
    elsewhere.displayIdentifier = "SIDE-UUID";
    observer->switchTo(elsewhere);
    SpaceInfo twin = desktop(4); // same position as the current desktop
    twin.isCurrent = false;
    twin.persistenceID = "uuid-twin";
    observer->switchTo(twin);
    EXPECT_EQ(fake.backgroundQueue.pendingCount(), 0u);

    observer->switchTo(desktop(1));
    observer->switchTo(desktop(3));           // keystroke switches hold nothing back
    EXPECT_TRUE(fake.keyboard.steps.empty()); // posted off the main thread
    deliverKeystrokes(false);
    EXPECT_EQ(presses(KeyEvent::kLeftArrowKeyCode), 4); // three, then one
    EXPECT_EQ(fake.mainQueue.requestedDelays(),
              (std::vector<Milliseconds>{milliseconds(1850), milliseconds(1150)}));
    fake.mainQueue.advance(milliseconds(1850));
    EXPECT_EQ(story(),
              (Lines{"Click ignored: no anchor for this space yet (visit it once to seed) and no "
                     "Accessibility fallback",
                     kFallback, "(info) Switch skipped: target is on another display", kFallback,
                     kFallback, "(info) Keystroke switch: -3 hops", kFallback,
                     "(info) Keystroke switch: -1 hops", kDidNotLand, kDidNotLand}));
}

TEST_F(SpaceSwitcherTest, KeystrokeLandingComparesManagedIDsAndNeedsACurrentSpace) {
    fake.windowServer.hasCopySpacesForWindows = false;
    fake.keyboard.trusted = true;
    start(2);
    // The window server stops naming its spaces: no managed id on either side counts as landed.
    SpaceInfo target = desktop(1);
    target.managedSpaceID.reset();
    observer->switchTo(target);
    json answer = fake.windowServer.managedDisplaySpaces;
    for (json& space : answer[0]["Spaces"]) {
        space.erase("ManagedSpaceID");
        space.erase("id64");
    }
    fake.windowServer.managedDisplaySpaces = answer;
    fake.mainQueue.advance(milliseconds(1500));
    fake.windowServer.managedDisplaySpaces = json::array(); // no current space at all
    observer->refresh();
    observer->switchTo(target);
    EXPECT_EQ(story(), (Lines{kFallback, "(info) Keystroke switch: -1 hops", kFallback,
                              "(info) Switch skipped: target is on another display"}));
}

// A session where desktops can only be seeded while shown.
TEST_F(SpaceSwitcherTest, StoryOfSeedingWhileVisitingAnchorMissAndKeystrokeFallback) {
    fake.windowServer.hasCopySpacesForWindows = false;
    fake.keyboard.trusted = true;
    start(1);
    EXPECT_EQ(observer->seededSpaceIDs(), Keys{"uuid-1"});
    fake.mainQueue.advance(milliseconds(3000));
    show(2); // the user visits desktop 2 by other means
    EXPECT_EQ(observer->seededSpaceIDs(), (Keys{"uuid-1", "uuid-2"}));

    fake.mainQueue.advance(milliseconds(3000));
    observer->switchTo(desktop(1)); // back through its anchor
    fake.mainQueue.advance(milliseconds(1200));
    EXPECT_TRUE(desktop(1).isCurrent);
    EXPECT_EQ(fake.workspace.activations, std::vector<std::int32_t>{kEditor});

    followsAnchors = false; // a debug request whose anchor the window manager ignores
    fake.distributedCenter.postNotification(NotificationCenter::kDebugSwitchTo, "2");
    fake.mainQueue.advance(milliseconds(1200));
    EXPECT_EQ(observer->seededSpaceIDs(), Keys{"uuid-1"});
    EXPECT_TRUE(observer->canSwitch(desktop(2))); // only because keystrokes are allowed

    observer->switchTo(desktop(2)); // keystrokes land and re-seed it
    deliverKeystrokes();
    fake.mainQueue.advance(milliseconds(1150));
    EXPECT_EQ(observer->seededSpaceIDs(), (Keys{"uuid-1", "uuid-2"}));
    observer->switchTo(desktop(3)); // ignored keystrokes do not land
    deliverKeystrokes(false);
    fake.mainQueue.advance(milliseconds(1150));
    EXPECT_TRUE(desktop(2).isCurrent);
    EXPECT_EQ(fake.workspace.openAnchors().size(), 2u);
    EXPECT_EQ(story(), (Lines{"Anchor seeded for uuid-2", "Anchor switch to uuid-1",
                              "Anchor switch landed", "(info) Debug switch request to desktop 2",
                              "Anchor switch to uuid-2", "Anchor switch did NOT land", kFallback,
                              "(info) Keystroke switch: 1 hops", "Anchor seeded for uuid-2",
                              kFallback, "(info) Keystroke switch: 1 hops", kDidNotLand}));
}

} // namespace
} // namespace quillbar
