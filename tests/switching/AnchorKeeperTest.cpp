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

// A desktop on the main display: persistence id "uuid-n", managed id n.
SpaceInfo desktop(int n, bool shown = false) {
    SpaceInfo space;
    space.id = std::to_string(n);
    space.persistenceID = "uuid-" + std::to_string(n);
    space.displayIdentifier = "MAIN-UUID";
    space.managedSpaceID = n;
    space.missionControlIndex = n - 1;
    space.desktopIndex = n;
    space.isActiveOnDisplay = shown;
    space.isCurrent = shown;
    return space;
}

class AnchorKeeperTest : public ::testing::Test {
protected:
    AnchorKeeperTest() {
        fake.displays.addDisplay(1, "MAIN-UUID", Rect{0, 0, 1920, 1080}, "Built-in Display");
    }

    // Built on demand, so a test can first decide which entry points the window server has.
    AnchorKeeper& keeper() {
        if (!keeper_) {
            api_ = fake.windowServer.spaceServerAPI();
            keeper_ = std::make_unique<AnchorKeeper>(fake.platform, directory_, api_);
            seededAnnouncements_ =
                keeper_->subscribeSeededSpaceIDs([this](const Keys&) { ++announcements; });
        }
        return *keeper_;
    }

    // A refresh long after the last space change, with no switch in flight.
    void synchronize(const std::vector<SpaceInfo>& spaces) {
        keeper().synchronize(spaces, TimePoint{}, TimePoint{});
    }

    std::int64_t windowOf(const std::string& key) { return keeper().anchor(key)->windowNumber(); }

    test::FakePlatform fake;
    int announcements = 0;

private:
    DisplayDirectory directory_{fake.platform};
    SpaceServerAPI api_;
    std::unique_ptr<AnchorKeeper> keeper_;
    Subscription seededAnnouncements_;
};

// --- Seeding ---------------------------------------------------------------------------------

TEST_F(AnchorKeeperTest, SeedsTheShownDesktopWhereItIsWithoutPlacement) {
    fake.windowServer.hasCopySpacesForWindows = false;
    SpaceInfo shown = desktop(1, true);
    shown.managedSpaceID.reset();

    synchronize({shown});

    ASSERT_EQ(fake.workspace.anchors.size(), 1u);
    EXPECT_EQ(fake.workspace.anchors[0]->contentRect, (Rect{40, 40, 2, 2}));
    EXPECT_FALSE(fake.workspace.anchors[0]->closed);
    EXPECT_TRUE(fake.windowServer.addWindowsCalls.empty());
    EXPECT_EQ(keeper().seededSpaceIDs(), Keys{"uuid-1"});
    EXPECT_EQ(fake.log.lines,
              (std::vector<test::FakeLog::Line>{{LogLevel::Default, "Anchor seeded for uuid-1"}}));
}

TEST_F(AnchorKeeperTest, PlacesAnchorsOnTheScreenOfTheSpacesDisplay) {
    fake.displays.addDisplay(2, "SIDE-UUID", Rect{1920, 100, 1280, 1024}, "Side Display");
    SpaceInfo side = desktop(7, true);
    side.displayIdentifier = "SIDE-UUID";

    synchronize({side});

    ASSERT_EQ(fake.workspace.anchors.size(), 1u);
    EXPECT_EQ(fake.workspace.anchors[0]->contentRect, (Rect{1960, 140, 2, 2}));
}

TEST_F(AnchorKeeperTest, MovesAnchorsOntoHiddenDesktopsAndKeepsThemWhenConfirmed) {
    synchronize({desktop(1, true), desktop(2)});

    ASSERT_EQ(fake.workspace.anchors.size(), 2u);
    const std::int64_t second = fake.workspace.anchors[1]->windowNumber;
    EXPECT_EQ(fake.windowServer.addWindowsCalls,
              (std::vector<std::pair<std::int64_t, std::int64_t>>{{second, 2}}));
    EXPECT_EQ(keeper().seededSpaceIDs(), (Keys{"uuid-1", "uuid-2"}));
    EXPECT_EQ(fake.log.messages(),
              (std::vector<std::string>{"Anchor seeded for uuid-1", "Anchor seeded for uuid-2"}));
}

TEST_F(AnchorKeeperTest, HiddenDesktopWithoutManagedIDFailsPlacementOnEveryRefresh) {
    SpaceInfo hidden = desktop(2);
    hidden.managedSpaceID.reset();

    synchronize({desktop(1, true), hidden});
    synchronize({desktop(1, true), hidden});

    EXPECT_EQ(fake.log.count("Anchor placement failed for uuid-2"), 2u);
    EXPECT_EQ(fake.log.lines.back().level, LogLevel::Default);
    EXPECT_EQ(fake.workspace.anchors.size(), 3u); // one kept, two made and closed again
    EXPECT_EQ(fake.workspace.openAnchors().size(), 1u);
    EXPECT_EQ(keeper().seededSpaceIDs(), Keys{"uuid-1"});
}

TEST_F(AnchorKeeperTest, HiddenDesktopIsNotSeededWhenTheServerCannotConfirmThePlacement) {
    fake.windowServer.placementWorks = false;
    synchronize({desktop(2)});
    EXPECT_TRUE(fake.log.contains("Anchor placement failed for uuid-2"));
    EXPECT_TRUE(fake.workspace.openAnchors().empty());
    EXPECT_TRUE(keeper().seededSpaceIDs().empty());
}

TEST_F(AnchorKeeperTest, HiddenDesktopCannotBeSeededWithoutTheWindowSpacesQuery) {
    fake.windowServer.hasCopySpacesForWindows = false;
    synchronize({desktop(2)});
    EXPECT_EQ(fake.windowServer.addWindowsCalls.size(), 1u); // asked, but never confirmed
    EXPECT_TRUE(fake.log.contains("Anchor placement failed for uuid-2"));
    EXPECT_TRUE(fake.workspace.openAnchors().empty());
}

TEST_F(AnchorKeeperTest, OnlyOrdinaryDesktopsWithPersistenceIDsGetAnchors) {
    SpaceInfo fullscreen = desktop(2, true);
    fullscreen.type = SpaceInfo::fullscreenType;
    SpaceInfo otherKind = desktop(3, true);
    otherKind.type = 2;
    SpaceInfo anonymous = desktop(4, true);
    anonymous.persistenceID.reset();

    synchronize({fullscreen, otherKind, anonymous});

    EXPECT_TRUE(fake.workspace.anchors.empty());
    EXPECT_TRUE(fake.log.lines.empty());
    EXPECT_EQ(announcements, 0);
}

TEST_F(AnchorKeeperTest, SkipsSilentlyWhenThereIsNoScreenOrNoWindow) {
    SpaceInfo elsewhere = desktop(1, true);
    elsewhere.displayIdentifier = "GONE-UUID";
    synchronize({elsewhere});
    EXPECT_TRUE(fake.workspace.anchors.empty());

    fake.workspace.anchorCreationFails = true;
    synchronize({desktop(1, true)});
    EXPECT_TRUE(fake.log.lines.empty());
    EXPECT_TRUE(keeper().seededSpaceIDs().empty());

    fake.workspace.anchorCreationFails = false;
    synchronize({desktop(1, true)});
    EXPECT_EQ(keeper().seededSpaceIDs(), Keys{"uuid-1"});
}

// --- Closing ---------------------------------------------------------------------------------

TEST_F(AnchorKeeperTest, ClosesAnchorsOfSpacesThatAreGone) {
    synchronize({desktop(1, true), desktop(2)});
    const auto first = fake.workspace.anchors[0];
    const auto second = fake.workspace.anchors[1];

    synchronize({desktop(1, true)});

    EXPECT_FALSE(first->closed);
    EXPECT_TRUE(second->closed);
    EXPECT_TRUE(second->destroyed);
    EXPECT_EQ(keeper().seededSpaceIDs(), Keys{"uuid-1"});
}

TEST_F(AnchorKeeperTest, DetectionWithoutPersistenceIDsClosesEveryAnchor) {
    synchronize({desktop(1, true), desktop(2)});
    SpaceInfo anonymous = desktop(1, true);
    anonymous.persistenceID.reset();

    synchronize({anonymous});

    EXPECT_TRUE(fake.workspace.openAnchors().empty());
    EXPECT_TRUE(keeper().seededSpaceIDs().empty());
}

TEST_F(AnchorKeeperTest, AnnouncesSeededSpacesOnlyWhenMembershipChanges) {
    synchronize({desktop(1, true), desktop(2)});
    EXPECT_EQ(announcements, 1);
    synchronize({desktop(1, true), desktop(2)});
    synchronize({desktop(1), desktop(2, true)});
    EXPECT_EQ(announcements, 1);
    synchronize({desktop(2, true)});
    EXPECT_EQ(announcements, 2);
}

TEST_F(AnchorKeeperTest, DropClosesOneAnchorAndAnnouncesTheRest) {
    synchronize({desktop(1, true), desktop(2)});
    const auto second = fake.workspace.anchors[1];

    keeper().drop("uuid-2");
    EXPECT_TRUE(second->closed);
    EXPECT_EQ(keeper().anchor("uuid-2"), nullptr);
    EXPECT_EQ(keeper().seededSpaceIDs(), Keys{"uuid-1"});
    EXPECT_EQ(announcements, 2);

    keeper().drop("uuid-2");
    EXPECT_EQ(announcements, 2);
}

TEST_F(AnchorKeeperTest, EveryAnchorIsClosedByCloseAllAndWhenTheKeeperGoes) {
    synchronize({desktop(1, true), desktop(2)});
    keeper().closeAll();
    EXPECT_TRUE(fake.workspace.openAnchors().empty());
    EXPECT_TRUE(keeper().seededSpaceIDs().empty());
    EXPECT_EQ(announcements, 2);

    DisplayDirectory directory(fake.platform);
    const SpaceServerAPI api = fake.windowServer.spaceServerAPI();
    auto local = std::make_unique<AnchorKeeper>(fake.platform, directory, api);
    local->synchronize({desktop(1, true)}, TimePoint{}, TimePoint{});
    ASSERT_EQ(fake.workspace.openAnchors().size(), 1u);
    local.reset();
    EXPECT_TRUE(fake.workspace.openAnchors().empty());
}

// --- Placement query -------------------------------------------------------------------------

TEST_F(AnchorKeeperTest, AssignTrustsOnlyAnArrayOfNumbersThatHoldsTheSpace) {
    fake.windowServer.placementWorks = false;
    synchronize({desktop(1, true)});
    AnchorWindow& window = *keeper().anchor("uuid-1");
    const std::int64_t number = window.windowNumber();

    const std::vector<std::pair<json, bool>> answers = {
        {json::array({3, 9}), true},
        {json::array({9.0}), true},
        {json::array({std::uint64_t{9}}), true},
        {json::array({3}), false},
        {json::array(), false},
        {json(), false},
        {json::object({{"9", 9}}), false},
        {json::array({9, "x"}), false},
        {json::array({"9"}), false},
    };
    for (const auto& [answer, confirmed] : answers) {
        fake.windowServer.windowSpaces[number] = answer;
        EXPECT_EQ(keeper().assign(window, 9), confirmed) << answer.dump();
    }
    EXPECT_EQ(fake.windowServer.addWindowsCalls.size(), answers.size());
}

// --- Drift -----------------------------------------------------------------------------------

class AnchorDriftTest : public AnchorKeeperTest {
protected:
    AnchorDriftTest() {
        synchronize(spaces);
        fake.log.lines.clear();
    }

    void moveAnchor(const json& where) {
        fake.windowServer.windowSpaces[windowOf("uuid-2")] = where;
    }

    std::vector<SpaceInfo> spaces = {desktop(1, true), desktop(2)};
};

TEST_F(AnchorDriftTest, ClosesAnAnchorSeenOffItsSpaceTwiceInARowAndSeedsAFreshOne) {
    const auto original = fake.workspace.anchors[1];
    moveAnchor(json::array({12, 14}));

    synchronize(spaces);
    EXPECT_FALSE(original->closed); // one strike only
    EXPECT_TRUE(fake.log.lines.empty());

    synchronize(spaces);
    EXPECT_TRUE(original->closed);
    EXPECT_EQ(fake.log.messages(),
              (std::vector<std::string>{"Anchor for uuid-2 drifted to [12, 14]; closing",
                                        "Anchor seeded for uuid-2"}));
    EXPECT_EQ(fake.log.lines.front().level, LogLevel::Default);
    EXPECT_NE(windowOf("uuid-2"), original->windowNumber);
    EXPECT_EQ(announcements, 1); // membership never changed
}

TEST_F(AnchorDriftTest, AConfirmingObservationClearsTheStrike) {
    moveAnchor(json::array({12}));
    synchronize(spaces);
    moveAnchor(json::array({2, 12}));
    synchronize(spaces);
    moveAnchor(json::array({12}));
    synchronize(spaces);

    EXPECT_EQ(fake.workspace.openAnchors().size(), 2u);
    EXPECT_TRUE(fake.log.lines.empty());
}

TEST_F(AnchorDriftTest, NoAnswerIsNoEvidenceEitherWay) {
    moveAnchor(json::array({12}));
    synchronize(spaces);
    for (const json& silence : {json(), json::array(), json::array({"12"})}) {
        moveAnchor(silence);
        synchronize(spaces);
    }
    EXPECT_TRUE(fake.log.lines.empty());

    moveAnchor(json::array({12})); // the strike from before still counts
    synchronize(spaces);
    EXPECT_TRUE(fake.log.contains("Anchor for uuid-2 drifted to [12]; closing"));
}

TEST_F(AnchorDriftTest, AnchorsOfSpacesWithoutManagedIDAreNotExamined) {
    moveAnchor(json::array({12}));
    spaces[1].managedSpaceID.reset();
    synchronize(spaces);
    synchronize(spaces);
    EXPECT_TRUE(fake.log.lines.empty());
    EXPECT_EQ(fake.workspace.openAnchors().size(), 2u);
}

TEST_F(AnchorDriftTest, IsNotExaminedWithin2Point5SecondsOfASpaceChange) {
    moveAnchor(json::array({12}));
    const TimePoint now = fake.mainQueue.now();
    for (int i = 0; i < 3; ++i) {
        keeper().synchronize(spaces, now - milliseconds(2500), TimePoint{});
    }
    EXPECT_TRUE(fake.log.lines.empty());

    keeper().synchronize(spaces, now - milliseconds(2501), TimePoint{});
    keeper().synchronize(spaces, now - milliseconds(2501), TimePoint{});
    EXPECT_TRUE(fake.log.contains("Anchor for uuid-2 drifted to [12]; closing"));
}

TEST_F(AnchorDriftTest, IsNotExaminedWhileASwitchIsInFlight) {
    moveAnchor(json::array({12}));
    const TimePoint now = fake.mainQueue.now();
    for (int i = 0; i < 3; ++i) {
        keeper().synchronize(spaces, TimePoint{}, now + milliseconds(1));
    }
    EXPECT_TRUE(fake.log.lines.empty());

    keeper().synchronize(spaces, TimePoint{}, now); // the limit itself has passed
    keeper().synchronize(spaces, TimePoint{}, now);
    EXPECT_TRUE(fake.log.contains("Anchor for uuid-2 drifted to [12]; closing"));
}

TEST_F(AnchorDriftTest, FarAwayTimePointsAreHandledWithoutOverflow) {
    moveAnchor(json::array({12}));
    using Limits = std::numeric_limits<TimePoint::rep>;
    const TimePoint earliest{TimePoint::duration(Limits::min())};
    const TimePoint latest{TimePoint::duration(Limits::max())};

    keeper().synchronize(spaces, latest, earliest);
    keeper().synchronize(spaces, earliest, latest);
    EXPECT_TRUE(fake.log.lines.empty());

    keeper().synchronize(spaces, earliest, earliest);
    keeper().synchronize(spaces, earliest, earliest);
    EXPECT_TRUE(fake.log.contains("Anchor for uuid-2 drifted to [12]; closing"));
}

} // namespace
} // namespace quillbar
