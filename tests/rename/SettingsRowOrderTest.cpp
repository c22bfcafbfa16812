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

// One group of spaces with keys in the given order (positions follow the order).
Group group(const std::string& id, const std::vector<std::string>& keys) {
    Group result{id, id + " name", {}};
    for (const std::string& key : keys)
        result.spaces.push_back(space(key, static_cast<int>(result.spaces.size())));
    return result;
}

std::vector<std::vector<std::string>> keysOf(const std::vector<Group>& groups) {
    std::vector<std::vector<std::string>> result;
    for (const Group& g : groups) {
        result.emplace_back();
        for (const SpaceInfo& s : g.spaces)
            result.back().push_back(s.persistenceID.value_or("-"));
    }
    return result;
}

using Keys = std::vector<std::vector<std::string>>;

TEST(SettingsRowOrderTest, RowsKeepTheirPlaceWhileSpacesComeGoAndMove) {
    SettingsRowOrder order;
    order.capture({group("A", {"a1", "a2"}), group("B", {"b1"})});
    EXPECT_EQ(order.keys(), (std::vector<std::string>{"a1", "a2", "b1"}));

    // A new desktop placed between known ones is listed after them.
    const std::vector<Group> inserted{group("A", {"a1", "new", "a2"}), group("B", {"b1"})};
    order.capture(inserted);
    EXPECT_EQ(keysOf(order.frozen(inserted)), (Keys{{"a1", "a2", "new"}, {"b1"}}));

    // Reordered desktops keep their rows' order.
    const std::vector<Group> reordered{group("A", {"new", "a2", "a1"}), group("B", {"b1"})};
    order.capture(reordered);
    EXPECT_EQ(keysOf(order.frozen(reordered)), (Keys{{"a1", "a2", "new"}, {"b1"}}));

    // A desktop that vanishes and comes back takes its old place.
    const std::vector<Group> without{group("A", {"a1", "new"}), group("B", {"b1"})};
    order.capture(without);
    EXPECT_EQ(keysOf(order.frozen(without)), (Keys{{"a1", "new"}, {"b1"}}));
    const std::vector<Group> back{group("A", {"a2", "a1", "new"}), group("B", {"b1"})};
    order.capture(back);
    EXPECT_EQ(keysOf(order.frozen(back)), (Keys{{"a1", "a2", "new"}, {"b1"}}));
    EXPECT_EQ(order.keys(), (std::vector<std::string>{"a1", "a2", "b1", "new"}));
}

TEST(SettingsRowOrderTest, GroupsStayAsGivenAndKeylessSpacesGoLast) {
    SettingsRowOrder order;
    order.capture({group("A", {"a1", "a2"})});

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
    EXPECT_EQ(keysOf({result[1]}), (Keys{{"b1"}}));
}

TEST(SettingsRowOrderTest, CapturingNothingKeepsTheOrder) {
    SettingsRowOrder order;
    order.capture({group("A", {"a1"})});
    Group keyless{"A", "Main", {space(std::nullopt, 0)}};
    order.capture({keyless});
    order.capture({});
    EXPECT_EQ(order.keys(), (std::vector<std::string>{"a1"}));
}

} // namespace
} // namespace quillbar
