#include "observer/AnchorKeeper.h"
#include "FakePlatform.h"
#include "observer/DisplayDirectory.h"

#include <gtest/gtest.h>

#include <limits>
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

// A desktop on the main display: persistence id "uuid-n", managed id n.
SpaceInfo desktop(int n, bool shown = false) {
    const std::string key = "uuid-" + std::to_string(n);
    return {key, key, "MAIN-UUID", n, 0, n, n, shown, shown, {}, {}};
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

TEST_F(AnchorKeeperTest, SeedsShownDesktopsWhereTheyAreAndPlacesTheOthers) {
    fake.displays.addDisplay(2, "SIDE-UUID", Rect{1920, 100, 1280, 1024}, "Side Display");
    SpaceInfo side = desktop(7, true);
    side.displayIdentifier = "SIDE-UUID";
    side.managedSpaceID.reset(); // not needed where the window is made
    sync({desktop(1, true), desktop(2), side});
    const auto& anchors = fake.workspace.anchors;
    ASSERT_EQ(anchors.size(), 3u);
    EXPECT_EQ(anchors[0]->contentRect, (Rect{40, 40, 2, 2}));
    EXPECT_EQ(anchors[2]->contentRect, (Rect{1960, 140, 2, 2}));
    EXPECT_EQ(fake.windowServer.addWindowsCalls,
              (std::vector<std::pair<std::int64_t, std::int64_t>>{{anchors[1]->windowNumber, 2}}));
    EXPECT_EQ(keeper->seededSpaceIDs(), (Keys{"uuid-1", "uuid-2", "uuid-7"}));
    EXPECT_EQ(fake.log.lines,
              (std::vector<test::FakeLog::Line>{{LogLevel::Default, "Anchor seeded for uuid-1"},
                                                {LogLevel::Default, "Anchor seeded for uuid-2"},
                                                {LogLevel::Default, "Anchor seeded for uuid-7"}}));
}

TEST_F(AnchorKeeperTest, UnconfirmedPlacementsAreLoggedAndTriedAgainOnEveryRefresh) {
    SpaceInfo noID = desktop(2);
    noID.managedSpaceID.reset();
    fake.windowServer.placementWorks = false;
    sync({desktop(1, true), noID, desktop(3)});
    sync({desktop(1, true), noID, desktop(3)});
    EXPECT_EQ(fake.log.count("Anchor placement failed for uuid-2"), 2u);
    EXPECT_EQ(fake.log.count("Anchor placement failed for uuid-3"), 2u);
    EXPECT_EQ(fake.log.lines.back().level, LogLevel::Default);
    EXPECT_EQ(fake.workspace.anchors.size(), 5u); // one kept, four made and closed again
    EXPECT_EQ(fake.workspace.openAnchors().size(), 1u);
    EXPECT_EQ(keeper->seededSpaceIDs(), Keys{"uuid-1"});
}

TEST_F(AnchorKeeperTest, OnlyOrdinaryDesktopsWithAKeyAScreenAndAWindowGetAnchors) {
    std::vector<SpaceInfo> spaces(4, desktop(1, true));
    spaces[0].type = SpaceInfo::fullscreenType;
    spaces[1].type = 2;
    spaces[2].persistenceID.reset();
    spaces[3].displayIdentifier = "GONE-UUID";
    sync(spaces);
    EXPECT_TRUE(fake.workspace.anchors.empty());
    fake.workspace.anchorCreationFails = true;
    sync({desktop(1, true)});
    EXPECT_TRUE(fake.log.lines.empty());
    EXPECT_EQ(announcements, 0);
    fake.workspace.anchorCreationFails = false;
    sync({desktop(1, true)});
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

    sync({desktop(1, true), desktop(2)});
    keeper->closeAll();
    EXPECT_TRUE(fake.workspace.openAnchors().empty());
    EXPECT_TRUE(keeper->seededSpaceIDs().empty());
    sync({desktop(1, true)});
    keeper.reset(); // closes without announcing
    EXPECT_TRUE(fake.workspace.openAnchors().empty());
    EXPECT_EQ(announcements, 7);
}

TEST_F(AnchorKeeperTest, AssignTrustsOnlyAnArrayOfNumbersThatHoldsTheSpace) {
    fake.windowServer.placementWorks = false;
    sync({desktop(1, true)});
    AnchorWindow& window = *keeper->anchor("uuid-1");
    const std::vector<std::pair<json, bool>> answers = {{json::array({3, 9}), true},
                                                        {json::array({9.0}), true},
                                                        {json::array({std::uint64_t{9}}), true},
                                                        {json::array({3}), false},
                                                        {json::array(), false},
                                                        {json(), false},
                                                        {json::object({{"9", 9}}), false},
                                                        {json::array({9, "x"}), false},
                                                        {json::array({"9"}), false}};
    for (const auto& [answer, confirmed] : answers) {
        fake.windowServer.windowSpaces[window.windowNumber()] = answer;
        EXPECT_EQ(keeper->assign(window, 9), confirmed) << answer.dump();
    }
    EXPECT_EQ(fake.windowServer.addWindowsCalls.size(), answers.size());
}

// Desktop 2's anchor, placed on it and then moved elsewhere by the window manager.
class AnchorDriftTest : public AnchorKeeperTest {
protected:
    AnchorDriftTest() {
        sync(spaces);
        fake.log.lines.clear();
    }
    void moveAnchor(const json& where) {
        fake.windowServer.windowSpaces[keeper->anchor("uuid-2")->windowNumber()] = where;
    }
    std::size_t drifts(const std::string& where) const {
        return fake.log.count("Anchor for uuid-2 drifted to " + where + "; closing");
    }
    std::vector<SpaceInfo> spaces = {desktop(1, true), desktop(2)};
};

TEST_F(AnchorDriftTest, ClosesAnAnchorSeenOffItsSpaceTwiceInARowAndSeedsAFreshOne) {
    const auto original = fake.workspace.anchors[1];
    moveAnchor(json::array({12, 14}));
    sync(spaces);
    EXPECT_FALSE(original->closed); // one strike only
    sync(spaces);
    EXPECT_TRUE(original->closed);
    EXPECT_EQ(fake.log.messages(), (Lines{"Anchor for uuid-2 drifted to [12, 14]; closing",
                                          "Anchor seeded for uuid-2"}));
    EXPECT_EQ(fake.log.lines.front().level, LogLevel::Default);
    EXPECT_NE(keeper->anchor("uuid-2")->windowNumber(), original->windowNumber);
    EXPECT_EQ(announcements, 1); // membership never changed
}

TEST_F(AnchorDriftTest, ConfirmationClearsAStrikeWhileNoAnswerIsNoEvidence) {
    moveAnchor(json::array({12}));
    spaces[1].managedSpaceID.reset(); // nothing to compare with
    sync(spaces);
    sync(spaces);
    spaces[1].managedSpaceID = 2;
    sync(spaces);
    moveAnchor(json::array({2, 12}));
    sync(spaces);
    moveAnchor(json::array({12}));
    sync(spaces);
    for (const json& silence : {json(), json::array(), json::array({"12"})}) {
        moveAnchor(silence);
        sync(spaces);
    }
    EXPECT_TRUE(fake.log.lines.empty());
    moveAnchor(json::array({12})); // the strike from before still counts
    sync(spaces);
    EXPECT_EQ(drifts("[12]"), 1u);
}

TEST_F(AnchorDriftTest, IsHeldOffFor2Point5SecondsAfterASpaceChangeAndWhileASwitchIsInFlight) {
    using Limits = std::numeric_limits<TimePoint::rep>;
    const TimePoint earliest{TimePoint::duration(Limits::min())};
    const TimePoint latest{TimePoint::duration(Limits::max())};
    const TimePoint now = fake.mainQueue.now();
    moveAnchor(json::array({12}));
    for (const auto& [changedAt, suppressedUntil] :
         std::vector<std::pair<TimePoint, TimePoint>>{{now - milliseconds(2500), {}},
                                                      {{}, now + milliseconds(1)},
                                                      {latest, earliest},
                                                      {earliest, latest}}) {
        sync(spaces, changedAt, suppressedUntil);
        sync(spaces, changedAt, suppressedUntil);
    }
    EXPECT_TRUE(fake.log.lines.empty());
    for (const auto& [changedAt, suppressedUntil] : std::vector<std::pair<TimePoint, TimePoint>>{
             {now - milliseconds(2501), now}, {earliest, earliest}}) {
        moveAnchor(json::array({12}));
        sync(spaces, changedAt, suppressedUntil);
        sync(spaces, changedAt, suppressedUntil);
    }
    EXPECT_EQ(drifts("[12]"), 2u);
}

} // namespace
} // namespace quillbar
