#include "model/SpaceAssignment.h"
#include "model/SpaceInfo.h"

#include <gtest/gtest.h>

namespace quillbar {
namespace {

SpaceInfo space(int type, std::optional<int> desktopIndex,
                std::optional<std::string> appName = std::nullopt) {
    SpaceInfo info;
    info.id = "uuid-1";
    info.type = type;
    info.desktopIndex = desktopIndex;
    info.fullscreenAppName = std::move(appName);
    return info;
}

TEST(SpaceInfoDefaultName, FollowsTypeAndDesktopNumber) {
    EXPECT_EQ(space(0, 3).defaultName(), "Desktop 3");
    EXPECT_EQ(space(0, 10).defaultName(), "Desktop 10");
    EXPECT_EQ(space(0, std::nullopt).defaultName(), "Desktop ?");
    EXPECT_EQ(space(2, 1).defaultName(), "Desktop ?");
    EXPECT_EQ(space(4, std::nullopt, "Safari").defaultName(), "Safari");
    EXPECT_EQ(space(4, std::nullopt, "").defaultName(), "Fullscreen App");
    EXPECT_EQ(space(4, std::nullopt).defaultName(), "Fullscreen App");
}

TEST(SpaceInfoEquality, ComparesEveryField) {
    const SpaceInfo a = space(0, 1);
    SpaceInfo b = a;
    EXPECT_EQ(a, b);
    b.isCurrent = true;
    EXPECT_NE(a, b);
    b = a;
    b.ownerPID = 0; // present-but-zero differs from absent
    EXPECT_NE(a, b);
}

TEST(SpaceAssignmentIsEmpty, OnlyWhenBothFieldsHaveZeroLength) {
    EXPECT_TRUE((SpaceAssignment{"", ""}).isEmpty());
    EXPECT_FALSE((SpaceAssignment{" ", ""}).isEmpty());
    EXPECT_FALSE((SpaceAssignment{"", "\xF0\x9F\x98\x80"}).isEmpty());
}

} // namespace
} // namespace quillbar
