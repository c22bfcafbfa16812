// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kwin/KWinDesktopTable.h"
#include "DetectedSpaces.h"

#include <gtest/gtest.h>

#include <tuple>

namespace quillbar {
namespace {

using nlohmann::json;
using Desktop = KWinDesktopTable::Desktop;

constexpr const char* kDisplay = "5B0C3F0E-0000-5000-8000-000000000001";

std::vector<std::string> ids(const KWinDesktopTable& table) {
    std::vector<std::string> answer;
    for (const Desktop& desktop : table.desktops()) {
        answer.push_back(desktop.id);
    }
    return answer;
}

std::vector<SpaceInfo> detect(const KWinDesktopTable& table) {
    return test::detectedSpaces(table.managedDisplaySpaces(kDisplay), kDisplay, "Virtual-1");
}

// The answers read to the core as spaces keyed by KWin's desktop ids.
TEST(KWinDesktopTableTest, DesktopsReadAsSpacesKeyedByTheirIDs) {
    KWinDesktopTable table;
    EXPECT_EQ(table.managedDisplaySpaces(kDisplay), nullptr); // KWin has said nothing yet
    table.setDesktops({{0, "a-1", "Mail"}, {1, "b-2", "Code"}, {2, "c-3", "Music"}}, "b-2");
    const auto spaces = detect(table);
    ASSERT_EQ(spaces.size(), 3u);
    const std::string names[] = {"Mail", "Code", "Music"};
    for (int i = 0; i < 3; ++i) {
        const SpaceInfo& s = spaces[i];
        EXPECT_EQ(std::tuple(s.id, s.persistenceID, s.managedSpaceID, s.desktopIndex, s.type,
                             s.displayIdentifier, s.isActiveOnDisplay, s.isCurrent),
                  std::tuple(table.desktops()[i].id, table.desktops()[i].id, i + 1, i + 1, 0,
                             std::string(kDisplay), i == 1, i == 1));
        EXPECT_EQ(s.defaultName(), names[i]);
    }
    EXPECT_EQ(table.activeSpace(), 2);

    // A current id that names no desktop marks none; KWin going away leaves nothing.
    EXPECT_FALSE(table.setCurrent("z-9"));
    EXPECT_EQ(table.activeSpace(), 0);
    const auto unmarked = detect(table);
    EXPECT_TRUE(std::none_of(unmarked.begin(), unmarked.end(),
                             [](const SpaceInfo& s) { return s.isActiveOnDisplay; }));
    table.clear();
    EXPECT_EQ(table.managedDisplaySpaces(kDisplay), nullptr);
    EXPECT_TRUE(detect(table).empty());
}

// Empty, repeated and overlong ids are dropped, the rest follow positions; names are repaired.
TEST(KWinDesktopTableTest, UnusableDesktopsAreDroppedAndTheRestBounded) {
    KWinDesktopTable table;
    const std::string longID(KWinDesktopTable::kMaxIDBytes + 1, 'x');
    table.setDesktops({{5, "e", "E"},
                       {1, "b", "B"},
                       {1, "", "no id"},
                       {3, "b", "repeated"},
                       {2, longID, "long id"},
                       {0, "a", "A"},
                       {1, "c", "C"}},
                      "c");
    EXPECT_EQ(ids(table), (std::vector<std::string>{"a", "b", "c", "e"}));
    EXPECT_EQ(table.desktops()[1].name, "B"); // the first of a repeated id wins
    EXPECT_EQ(table.desktops()[3].position, 3);
    EXPECT_EQ(table.activeSpace(), table.managedSpaceID("c"));

    std::vector<Desktop> many;
    for (int i = 0; i < 3000; ++i) {
        many.push_back({i, "id-" + std::to_string(i), "\xff" + std::string(2000, 'n')});
    }
    many[0].name = "x"; // then "é"s (two bytes each) past the bound: an odd cut falls inside one
    while (many[0].name.size() < KWinDesktopTable::kMaxNameBytes + 10) {
        many[0].name += "\xC3\xA9";
    }
    table.setDesktops(many, "id-299");
    ASSERT_EQ(table.desktops().size(), KWinDesktopTable::kMaxDesktops);
    EXPECT_EQ(table.desktops().back().id, "id-255");
    EXPECT_EQ(table.activeSpace(), 0); // cut off with the rest
    for (const Desktop& desktop : table.desktops()) {
        EXPECT_LE(desktop.name.size(), KWinDesktopTable::kMaxNameBytes);
    }
    EXPECT_EQ(table.desktops()[0].name.size() % 2, 1u);
    EXPECT_EQ(table.desktops()[1].name.substr(0, 3), "\xEF\xBF\xBD"); // U+FFFD for the bad byte
    EXPECT_NO_THROW(table.managedDisplaySpaces(kDisplay).dump());
}

// Managed numbers are how a switch names its target: one per id, never reused for another.
TEST(KWinDesktopTableTest, NumbersStayWithTheirDesktops) {
    KWinDesktopTable table;
    table.setDesktops({{0, "a", ""}, {1, "b", ""}, {2, "c", ""}}, "a");
    const auto a = table.managedSpaceID("a");
    const auto b = table.managedSpaceID("b");
    // b removed, d created in front, the rest reordered.
    table.setDesktops({{0, "d", ""}, {1, "c", ""}, {2, "a", ""}}, "a");
    EXPECT_EQ(table.managedSpaceID("a"), a);
    EXPECT_EQ(table.desktopID(a), "a");
    EXPECT_EQ(table.desktopID(b), std::nullopt); // gone, and its number names nothing else
    EXPECT_NE(table.managedSpaceID("d"), b);
    EXPECT_EQ(table.desktopID(0), std::nullopt);
    // KWin restarting brings the same ids back under the same numbers.
    table.clear();
    EXPECT_EQ(table.desktopID(a), std::nullopt);
    table.setDesktops({{0, "a", ""}, {1, "b", ""}}, "b");
    EXPECT_EQ(std::pair(table.managedSpaceID("a"), table.managedSpaceID("b")), std::pair(a, b));
    EXPECT_EQ(table.activeSpace(), b);

    // Endless churn: the memory is trimmed to the present desktops, which keep their numbers.
    for (std::size_t i = 0; i < KWinDesktopTable::kMaxRemembered + 10; ++i) {
        table.setDesktops({{0, "a", ""}, {1, "churn-" + std::to_string(i), ""}}, "a");
    }
    EXPECT_EQ(table.managedSpaceID("a"), a);
    EXPECT_EQ(table.managedSpaceID("b"), 0);
    EXPECT_EQ(table.managedSpaceID("churn-0"), 0);
}

} // namespace
} // namespace quillbar
