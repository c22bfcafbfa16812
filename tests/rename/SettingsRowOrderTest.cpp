#include "ui/SettingsRowOrder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace quillbar {
namespace {

using Group = SpaceObserver::DisplayGroup;

SpaceInfo space(std::optional<std::string> key, int missionControlIndex) {
    SpaceInfo info;
    info.id = key.value_or("unknown-" + std::to_string(missionControlIndex));
    info.persistenceID = std::move(key);
    info.missionControlIndex = missionControlIndex;
    return info;
}

// One group of spaces with keys in the given order. The view's tests cover spaces that come, go
// and move; this one covers spaces without a known key, which the fake window server cannot make.
Group group(const std::string& id, const std::vector<std::string>& keys) {
    Group result{id, id + " name", {}};
    for (const std::string& key : keys)
        result.spaces.push_back(space(key, static_cast<int>(result.spaces.size())));
    return result;
}

TEST(SettingsRowOrderTest, GroupsStayAsGivenAndKeylessSpacesGoLast) {
    SettingsRowOrder order;
    order.capture({group("A", {"a1", "a2"})});
    order.capture({Group{"A", "Main", {space(std::nullopt, 0)}}}); // nothing to add
    EXPECT_EQ(order.keys(), (std::vector<std::string>{"a1", "a2"}));

    Group mixed{"A", "Main", {}};
    mixed.spaces = {space(std::nullopt, 7), space("unseen", 2), space("a2", 5),
                    space(std::nullopt, 3), space("a1", 9)};
    const std::vector<Group> result = order.frozen({mixed, group("B", {"b1"})});

    ASSERT_EQ(result.size(), 2u);
    EXPECT_EQ(result[0].id, "A");
    EXPECT_EQ(result[0].name, "Main");
    std::vector<int> positions;
    for (const SpaceInfo& s : result[0].spaces)
        positions.push_back(s.missionControlIndex);
    // Ranked a1, a2 first; then the unranked ones by Mission Control index.
    EXPECT_EQ(positions, (std::vector<int>{9, 5, 2, 3, 7}));
    EXPECT_EQ(result[1].spaces.front().persistenceID, "b1");
}

} // namespace
} // namespace quillbar
