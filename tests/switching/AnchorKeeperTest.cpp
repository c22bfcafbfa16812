// SPDX-License-Identifier: GPL-3.0-or-later
#include "switching/AnchorKeeper.h"
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
    // Moves the anchor there, then refreshes.
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

} // namespace
} // namespace quillbar
