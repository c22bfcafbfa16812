#include "observer/DisplayDirectory.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>

namespace quillbar::test {
namespace {

using nlohmann::json;
namespace WS = WindowServerAnswers;

constexpr std::int32_t kFront = 77;

class DisplayDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.displays.addDisplay(1, "LEFT", Rect{0, 0, 1000, 800}, "Left");
        fake.displays.addDisplay(2, "RIGHT", Rect{1000, 0, 1000, 800}, "Right");
        fake.workspace.frontmost = RunningApplication{kFront, "Editor"};
    }
    FakePlatform fake;
    DisplayDirectory directory{fake.platform};
};

TEST_F(DisplayDirectoryTest, RectangleBelongsToTheDisplayHoldingMostOfIt) {
    EXPECT_EQ(directory.displayIdentifier(Rect{600, 0, 1000, 100}), "RIGHT"); // 40 / 60
    EXPECT_EQ(directory.displayIdentifier(Rect{500, 0, 1000, 100}), "LEFT");  // equal halves
    EXPECT_EQ(directory.displayIdentifier(Rect{1000, 0, 0, 100}), std::nullopt);
    EXPECT_EQ(directory.displayIdentifier(Rect{-100, 0, 100, 100}),
              std::nullopt); // touches an edge
    EXPECT_EQ(directory.displayIdentifier(Rect{0, 0, 1e308, 1e308}), "LEFT");
    fake.displays.activeDisplays.reset(); // the query fails
    EXPECT_EQ(directory.displayIdentifier(Rect{0, 0, 100, 100}), std::nullopt);
}

TEST_F(DisplayDirectoryTest, OrdinaryWindowsAreLayerZeroVisibleOwnedAndLargerThan20Points) {
    const auto any = [](std::int32_t) { return true; };
    const auto bounds = [&](const json& w) {
        return DisplayDirectory::ordinaryWindowBounds(w, any);
    };
    EXPECT_EQ(bounds(WS::window(kFront, Rect{5, 5, 21, 21})), (Rect{5, 5, 21, 21}));
    EXPECT_EQ(bounds(WS::window(kFront, Rect{5, 5, 21, 21}, 0, 0.5)), (Rect{5, 5, 21, 21}));
    EXPECT_FALSE(bounds(WS::window(kFront, Rect{0, 0, 21, 20})));
    EXPECT_FALSE(bounds(WS::window(kFront, Rect{0, 0, 20, 300})));
    EXPECT_FALSE(bounds(WS::window(kFront, Rect{0, 0, 300, 300}, 0, 0.0)));
    EXPECT_FALSE(bounds(WS::window(kFront, Rect{0, 0, 300, 300}, 25)));
    json noLayer = WS::window(kFront, Rect{0, 0, 300, 300});
    noLayer.erase("Layer");
    EXPECT_FALSE(bounds(noLayer));
    json hugePID = WS::window(kFront, Rect{0, 0, 300, 300});
    hugePID["OwnerPID"] = std::int64_t{1} << 32;
    EXPECT_FALSE(bounds(hugePID));
    json noBounds = WS::window(kFront, Rect{0, 0, 300, 300});
    noBounds["Bounds"].erase("Height");
    EXPECT_FALSE(bounds(noBounds));
    EXPECT_FALSE(DisplayDirectory::ordinaryWindowBounds(
        WS::window(kFront, Rect{0, 0, 300, 300}), [](std::int32_t pid) { return pid != kFront; }));
}

TEST_F(DisplayDirectoryTest, FocusedDisplayHoldsTheFrontmostAppsLargestWindow) {
    fake.windowServer.windowList = json::array({
        WS::window(99, Rect{1000, 0, 900, 700}),     // another app's larger window
        WS::window(kFront, Rect{0, 0, 300, 300}),    // left
        WS::window(kFront, Rect{1000, 0, 400, 400}), // right, largest
        WS::window(kFront, Rect{0, 0, 400, 400}),    // equally large, later: loses
        WS::window(kFront, Rect{0, 0, 900, 700}, 3), // a panel
    });
    EXPECT_EQ(directory.focusedWindowDisplayIdentifier(), "RIGHT");

    fake.windowServer.windowList = json::array({WS::window(kFront, Rect{1000, 0, 20, 700})});
    EXPECT_EQ(directory.focusedWindowDisplayIdentifier(), std::nullopt);

    fake.windowServer.windowList = json::array({WS::window(kFront, Rect{0, 0, 300, 300}), 5});
    EXPECT_EQ(directory.focusedWindowDisplayIdentifier(), std::nullopt);

    fake.workspace.frontmost.reset();
    EXPECT_EQ(directory.focusedWindowDisplayIdentifier(), std::nullopt);
}

TEST_F(DisplayDirectoryTest, OwnAppFrontmostUsesKeyThenMainWindowScreen) {
    fake.workspace.frontmost = RunningApplication{fake.workspace.ownPID, "Quillbar"};
    fake.windowServer.windowList =
        json::array({WS::window(fake.workspace.ownPID, Rect{0, 0, 900, 700})});
    fake.workspace.keyScreen = fake.displays.screenList[1];
    fake.workspace.mainScreen = fake.displays.screenList[0];
    EXPECT_EQ(directory.focusedWindowDisplayIdentifier(), "RIGHT");
    fake.workspace.keyScreen = Screen{std::nullopt, Rect{}, "Detached"};
    EXPECT_EQ(directory.focusedWindowDisplayIdentifier(), "LEFT");
    fake.workspace.mainScreen.reset();
    EXPECT_EQ(directory.focusedWindowDisplayIdentifier(), std::nullopt);
    EXPECT_EQ(fake.windowServer.copyWindowListCalls, 0);
}

TEST_F(DisplayDirectoryTest, ScreensAreFoundByIdentifier) {
    fake.displays.screenList.insert(fake.displays.screenList.begin(),
                                    Screen{std::nullopt, {}, "Ghost"});
    fake.displays.screenList.push_back(Screen{3, Rect{0, 800, 10, 10}, ""});
    fake.displays.uuids[3] = "NAMELESS";
    EXPECT_EQ(directory.screenFrame("RIGHT"), (Rect{1000, 0, 1000, 800}));
    EXPECT_EQ(directory.displayName("LEFT"), "Left");
    EXPECT_EQ(directory.displayName("NAMELESS"), std::nullopt);
    EXPECT_EQ(directory.screenFrame("Main"), std::nullopt);
    EXPECT_EQ(directory.displayName("Main"), std::nullopt);
}

} // namespace
} // namespace quillbar::test
