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
    EXPECT_EQ(space(4, std::nullopt, "Editor").defaultName(), "Editor");
    EXPECT_EQ(space(4, std::nullopt, "").defaultName(), "Fullscreen App");
    EXPECT_EQ(space(4, std::nullopt).defaultName(), "Fullscreen App");
}

} // namespace
} // namespace quillbar
