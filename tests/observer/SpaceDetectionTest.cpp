#include "FakePlatform.h"
#include "observer/SpaceDetector.h"

#include <gtest/gtest.h>

namespace quillbar::test {
namespace {

using nlohmann::json;
namespace WS = WindowServerAnswers;

class SpaceDetectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.displays.addDisplay(1, "MAIN", Rect{0, 0, 1000, 800}, "Main");
        fake.displays.addDisplay(2, "SIDE", Rect{1000, 0, 1000, 800}, "Side");
        fake.workspace.frontmost = RunningApplication{50, "Front"};
        fake.workspace.applications[60] = RunningApplication{60, "Player"};
    }
    std::vector<SpaceInfo> detect() {
        const DisplayDirectory displays(fake.platform);
        const SpaceServerAPI api = fake.windowServer.spaceServerAPI();
        return SpaceDetector(fake.platform, displays, api).detectSpaces();
    }
    static json fullscreen(std::int64_t id, json pid, const std::string& uuid) {
        json s = WS::space(id, 4, uuid);
        s["pid"] = std::move(pid);
        return s;
    }
    // Two displays: MAIN with desktop, full-screen player, desktop; SIDE with two desktops.
    void twoDisplays(std::int64_t mainCurrent, std::int64_t sideCurrent) {
        fake.windowServer.managedDisplaySpaces = json::array(
            {WS::display("MAIN",
                         {WS::space(1, 0, "u1"), fullscreen(2, 60, "u2"), WS::space(3, 0, "u3")},
                         mainCurrent),
             WS::display("SIDE", {WS::space(4, 0, "u4"), WS::space(5, 0, "u5")}, sideCurrent)});
    }
    FakePlatform fake;
};

TEST_F(SpaceDetectionTest, NumbersDesktopsPerDisplayAndMarksShownAndCurrentSpaces) {
    twoDisplays(2, 5);
    fake.windowServer.activeSpaceAnswer = 5;
    fake.windowServer.displayCurrentAnswers = {{"MAIN", 2}, {"SIDE", 5}};
    const auto spaces = detect();
    ASSERT_EQ(spaces.size(), 5u);
    const SpaceInfo player{"u2", "u2", "MAIN", 2, 4, 2, std::nullopt, true, false, "Player", 60};
    EXPECT_EQ(spaces[1], player);
    EXPECT_EQ(spaces[0].desktopIndex, 1);
    EXPECT_EQ(spaces[2].desktopIndex, 2);
    EXPECT_EQ(spaces[2].missionControlIndex, 3);
    EXPECT_EQ(spaces[3].desktopIndex, 1);
    EXPECT_EQ(spaces[3].missionControlIndex, 1);
    for (std::size_t i = 0; i < spaces.size(); ++i) {
        EXPECT_EQ(spaces[i].isActiveOnDisplay, i == 1 || i == 4) << i;
        EXPECT_EQ(spaces[i].isCurrent, i == 4) << i;
    }
}

TEST_F(SpaceDetectionTest, IdentifiersAndValuesAreReadThroughTheCoercions) {
    json emptyUUID = WS::space(7, 0, "");
    json textID = {{"ManagedSpaceID", "12"}, {"type", 0}};
    json badText = {{"ManagedSpaceID", "1 2"}, {"id64", 13}, {"type", "0"}};
    json numericUUID = {{"uuid", 4711}};
    json nothing = {{"type", 0}};
    fake.windowServer.managedDisplaySpaces =
        json::array({{{"Display Identifier", "D"},
                      {"Current Space", emptyUUID},
                      {"Spaces", {emptyUUID, textID, badText, numericUUID, nothing}}}});
    const auto spaces = detect();
    ASSERT_EQ(spaces.size(), 5u);
    EXPECT_EQ(spaces[0].id, "msid-7");
    EXPECT_EQ(spaces[0].persistenceID, "msid-7");
    EXPECT_EQ(spaces[1].managedSpaceID, 12);
    EXPECT_EQ(spaces[2].managedSpaceID, 13);
    EXPECT_EQ(spaces[2].desktopIndex, 3);
    EXPECT_EQ(spaces[3].persistenceID, "4711");
    EXPECT_EQ(spaces[3].type, -1);
    EXPECT_EQ(spaces[3].desktopIndex, std::nullopt);
    EXPECT_EQ(spaces[4].id, "D-4-unknown");
    EXPECT_EQ(spaces[4].persistenceID, std::nullopt);
}

TEST_F(SpaceDetectionTest, FullscreenOwnersFallBackToTheFrontAppOnlyWhenShown) {
    fake.windowServer.managedDisplaySpaces =
        json::array({WS::display("MAIN",
                                 {fullscreen(1, 61, "gone-shown"), fullscreen(2, 61, "gone-hidden"),
                                  fullscreen(3, std::int64_t{1} << 32, "huge-pid"),
                                  fullscreen(4, "60", "text-pid"), WS::space(5, 2, "other")},
                                 1)});
    fake.windowServer.displayCurrentAnswers = {{"MAIN", 1}};
    const auto spaces = detect();
    ASSERT_EQ(spaces.size(), 5u);
    EXPECT_EQ(spaces[0].fullscreenAppName, "Front");
    EXPECT_EQ(spaces[1].fullscreenAppName, std::nullopt);
    EXPECT_EQ(spaces[2].ownerPID, std::nullopt);
    EXPECT_EQ(spaces[3].ownerPID, 60);
    EXPECT_EQ(spaces[3].fullscreenAppName, "Player");
    EXPECT_EQ(spaces[4].ownerPID, std::nullopt);
    EXPECT_EQ(spaces[4].desktopIndex, std::nullopt);
}

TEST_F(SpaceDetectionTest, ActiveSpaceAnswerWinsAndFocusedDisplayMayMarkASecondCurrent) {
    fake.windowServer.managedDisplaySpaces =
        json::array({WS::display("MAIN", {WS::space(5, 0, "u5")}, 5),
                     WS::display("SIDE", {json{{"uuid", "no-id"}, {"type", 0}}}, 0)});
    fake.windowServer.managedDisplaySpaces[1]["Current Space"] = json{{"uuid", "no-id"}};
    fake.windowServer.activeSpaceAnswer = 5;
    fake.workspace.frontmost = RunningApplication{50, "Front"};
    fake.windowServer.windowList = json::array({WS::window(50, Rect{1000, 0, 500, 500})});
    const auto spaces = detect();
    ASSERT_EQ(spaces.size(), 2u);
    EXPECT_TRUE(spaces[0].isCurrent);
    EXPECT_TRUE(spaces[1].isActiveOnDisplay);
    EXPECT_TRUE(spaces[1].isCurrent);
}

TEST_F(SpaceDetectionTest, WithoutEntryPointsCurrentSpaceDictionaryAndActiveDisplaysDecide) {
    fake.windowServer.hasActiveSpace = false;
    fake.windowServer.hasDisplayCurrentSpace = false;
    fake.displays.mainDisplay = 99; // no focused display at all
    fake.windowServer.managedDisplaySpaces =
        json::array({WS::display("ELSEWHERE", {WS::space(1, 0, "u1"), WS::space(2, 0, "u2")}, 2),
                     WS::display("SIDE", {WS::space(3, 0, "u3"), WS::space(4, 0, "u4")}, 4)});
    auto spaces = detect();
    ASSERT_EQ(spaces.size(), 4u);
    EXPECT_TRUE(spaces[1].isActiveOnDisplay);
    EXPECT_FALSE(spaces[1].isCurrent);
    EXPECT_TRUE(spaces[3].isCurrent); // the only shown space on an active display

    fake.windowServer.managedDisplaySpaces[1]["Display Identifier"] = "ALSO-ELSEWHERE";
    spaces = detect();
    EXPECT_TRUE(spaces[1].isCurrent); // no display matches: the first shown space

    for (auto& display : fake.windowServer.managedDisplaySpaces) {
        display.erase("Current Space");
    }
    spaces = detect();
    EXPECT_TRUE(std::none_of(spaces.begin(), spaces.end(), [](const SpaceInfo& s) {
        return s.isActiveOnDisplay || s.isCurrent;
    }));
}

TEST_F(SpaceDetectionTest, FocusedDisplayFallsBackToTheMainDisplay) {
    fake.windowServer.hasActiveSpace = false;
    twoDisplays(1, 4);
    fake.windowServer.displayCurrentAnswers = {{"MAIN", 1}, {"SIDE", 4}};
    fake.displays.mainDisplay = 2;
    const auto spaces = detect();
    EXPECT_FALSE(spaces[0].isCurrent);
    EXPECT_TRUE(spaces[3].isCurrent);
}

TEST_F(SpaceDetectionTest, MalformedAnswersYieldNothingOrSkipTheDisplay) {
    const json good = WS::display("MAIN", {WS::space(1, 0, "u1")}, 1);
    for (const json& answer : {json(), json::object(), json::array({good, "junk"})}) {
        fake.windowServer.managedDisplaySpaces = answer;
        EXPECT_TRUE(detect().empty()) << answer.dump();
    }
    json numericName = good;
    numericName["Display Identifier"] = 5;
    json badSpaces = good;
    badSpaces["Spaces"].push_back(3);
    fake.windowServer.managedDisplaySpaces =
        json::array({json::object(), numericName, badSpaces, good});
    const auto spaces = detect();
    ASSERT_EQ(spaces.size(), 1u);
    EXPECT_EQ(spaces[0].displayIdentifier, "MAIN");
}

} // namespace
} // namespace quillbar::test
