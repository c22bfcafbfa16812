#include "FakePlatform.h"
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"
#include "observer/SpaceObserver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace quillbar {
namespace {

using std::chrono::milliseconds;
using Keys = std::set<std::string>;

constexpr int kDesktops = 3;
constexpr std::int32_t kEditor = 600;

// A user session on one display with three desktops. The window server cannot move windows between
// desktops, so anchors are only seeded on desktops while they are shown. The window manager brings
// an anchor's desktop forward when the anchor is made key (unless told not to), follows
// Control+arrow keystrokes (unless told not to), and announces every change of the shown desktop.
class SwitchingStoryTest : public ::testing::Test {
protected:
    SwitchingStoryTest() {
        fake.windowServer.hasCopySpacesForWindows = false;
        fake.keyboard.trusted = true;
        fake.workspace.applications[kEditor] = RunningApplication{kEditor, "Editor"};
        fake.windowServer.windowList = nlohmann::json::array(
            {test::WindowServerAnswers::window(kEditor, Rect{0, 0, 900, 700})});
        fake.setDesktops(kDesktops, 1);
        fake.workspace.onMakeKey = [this](std::int64_t window) {
            if (followsAnchors) {
                const int desktop = anchorDesktops.at(window);
                fake.mainQueue.post([this, desktop] { show(desktop); });
            }
        };
        observer = std::make_unique<SpaceObserver>(store, fake.platform);
    }

    // The window manager shows the desktop and announces the change.
    void show(int desktop) {
        shown = desktop;
        fake.setDesktops(kDesktops, desktop);
        fake.workspaceCenter.postNotification(NotificationCenter::kActiveSpaceDidChange);
        rememberNewAnchors();
    }

    void rememberNewAnchors() {
        for (const auto& anchor : fake.workspace.anchors) {
            anchorDesktops.try_emplace(anchor->windowNumber, shown);
        }
    }

    // The keystrokes posted off the main thread reach the window manager.
    void deliverKeystrokes() {
        const std::size_t from = fake.keyboard.steps.size();
        fake.backgroundQueue.runAll();
        int moves = 0;
        for (std::size_t i = from; i < fake.keyboard.steps.size(); ++i) {
            const auto& event = fake.keyboard.steps[i].posted;
            if (event && event->keyDown && event->keyCode == KeyEvent::kRightArrowKeyCode) {
                ++moves;
            } else if (event && event->keyDown && event->keyCode == KeyEvent::kLeftArrowKeyCode) {
                --moves;
            }
        }
        if (followsKeystrokes && moves != 0) {
            show(std::clamp(shown + moves, 1, kDesktops));
        }
    }

    SpaceInfo desktop(int n) const {
        for (const SpaceInfo& space : observer->spaces()) {
            if (space.desktopIndex == n) {
                return space;
            }
        }
        ADD_FAILURE() << "no desktop " << n;
        return {};
    }

    // What the anchors and the switching wrote, in order (detection lists and failed placements of
    // the never-visited desktop left out).
    std::vector<std::string> story() const {
        std::vector<std::string> lines;
        for (const std::string& m : fake.log.messages()) {
            if ((m.starts_with("Anchor ") && !m.starts_with("Anchor placement failed")) ||
                m.starts_with("Switch") || m.starts_with("Keystroke") || m.starts_with("Click") ||
                m.starts_with("Debug switch")) {
                lines.push_back(m);
            }
        }
        return lines;
    }

    test::FakePlatform fake;
    MemoryDefaults defaults;
    SpaceNameStore store{defaults};
    // Made once the window server's entry points are settled: it resolves them once.
    std::unique_ptr<SpaceObserver> observer;
    std::map<std::int64_t, int> anchorDesktops;
    int shown = 1;
    bool followsAnchors = true;
    bool followsKeystrokes = true;
};

TEST_F(SwitchingStoryTest, SeedWhileVisitingSwitchByAnchorMissAndFallBackToKeystrokes) {
    // Launch on desktop 1: only the shown desktop can get an anchor.
    observer->start();
    rememberNewAnchors();
    EXPECT_EQ(observer->seededSpaceIDs(), Keys{"uuid-1"});
    EXPECT_TRUE(fake.log.contains("Anchor placement failed for uuid-2"));

    // The user visits desktop 2 by other means; it is seeded while shown.
    fake.mainQueue.advance(milliseconds(3000));
    show(2);
    EXPECT_EQ(observer->seededSpaceIDs(), (Keys{"uuid-1", "uuid-2"}));
    EXPECT_TRUE(observer->canSwitch(desktop(1)));

    // Back to desktop 1 through its anchor, from the menu.
    fake.mainQueue.advance(milliseconds(3000));
    observer->switchTo(desktop(1));
    fake.mainQueue.advance(milliseconds(1200));
    EXPECT_TRUE(desktop(1).isCurrent);
    EXPECT_EQ(fake.workspace.activations, std::vector<std::int32_t>{kEditor});

    // A debug request for desktop 2; this time the window manager ignores the anchor.
    followsAnchors = false;
    fake.distributedCenter.postNotification(NotificationCenter::kDebugSwitchTo, "2");
    fake.mainQueue.advance(milliseconds(1200));
    EXPECT_TRUE(desktop(1).isCurrent);
    EXPECT_EQ(observer->seededSpaceIDs(), Keys{"uuid-1"});
    EXPECT_TRUE(observer->canSwitch(desktop(2))); // only because keystrokes are allowed

    // The next request for desktop 2 falls back to keystrokes, which land and re-seed it.
    observer->switchTo(desktop(2));
    deliverKeystrokes();
    fake.mainQueue.advance(milliseconds(1150));
    EXPECT_TRUE(desktop(2).isCurrent);
    EXPECT_EQ(observer->seededSpaceIDs(), (Keys{"uuid-1", "uuid-2"}));

    // Desktop 3 was never visited; keystrokes that the window manager ignores do not land.
    followsKeystrokes = false;
    observer->switchTo(desktop(3));
    deliverKeystrokes();
    fake.mainQueue.advance(milliseconds(1150));

    EXPECT_EQ(story(),
              (std::vector<std::string>{
                  "Anchor seeded for uuid-1",
                  "Anchor seeded for uuid-2",
                  "Anchor switch to uuid-1",
                  "Anchor switch landed",
                  "Debug switch request to desktop 2",
                  "Anchor switch to uuid-2",
                  "Anchor switch did NOT land",
                  "Keystroke fallback: AXIsProcessTrusted=true, switching",
                  "Keystroke switch: 1 hops",
                  "Anchor seeded for uuid-2",
                  "Keystroke fallback: AXIsProcessTrusted=true, switching",
                  "Keystroke switch: 1 hops",
                  "Keystroke switch did not land; relaunch after granting Accessibility may be "
                  "needed",
              }));
    EXPECT_TRUE(desktop(2).isCurrent);
    EXPECT_EQ(fake.workspace.openAnchors().size(), 2u);
}

} // namespace
} // namespace quillbar
