// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gnome/GnomeWorkspaceTable.h"
#include "DetectedSpaces.h"
#include "model/UnicodeText.h"

#include <gtest/gtest.h>

#include <tuple>

namespace quillbar {
namespace {

constexpr const char* kDisplay = "0D6A1E5C-0000-5000-8000-000000000001";

std::vector<SpaceInfo> detect(const GnomeWorkspaceTable& table) {
    return test::detectedSpaces(table.managedDisplaySpaces(kDisplay), kDisplay, "Meta-0");
}

// The answers must read to the core as spaces keyed by position, GNOME's names as defaults.
TEST(GnomeWorkspaceTableTest, WorkspacesReadAsSpacesKeyedByPositionWithGnomesNames) {
    GnomeWorkspaceTable table;
    EXPECT_EQ(table.managedDisplaySpaces(kDisplay), nullptr); // the extension said nothing yet
    table.setWorkspaces({"Workspace 1", "Mail", ""}, 1);
    const auto spaces = detect(table);
    ASSERT_EQ(spaces.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const SpaceInfo& s = spaces[i];
        const std::string key = "msid-" + std::to_string(i + 1);
        EXPECT_EQ(std::tuple(s.persistenceID, s.managedSpaceID, s.desktopIndex, s.type,
                             s.displayIdentifier, s.isActiveOnDisplay, s.isCurrent),
                  std::tuple(key, i + 1, i + 1, 0, std::string(kDisplay), i == 1, i == 1));
    }
    // An empty name is no name: the position's own default stands.
    EXPECT_EQ(spaces[0].defaultName(), "Workspace 1");
    EXPECT_EQ(spaces[1].defaultName(), "Mail");
    EXPECT_EQ(spaces[2].defaultName(), "Desktop 3");
    EXPECT_EQ(table.activeSpace(), 2);
    EXPECT_EQ(table.workspaceIndex(3), 2u);

    // Fewer workspaces (dynamic ones went): the keys of those left are the same.
    table.setWorkspaces({"Workspace 1"}, 0);
    const auto fewer = detect(table);
    ASSERT_EQ(fewer.size(), 1u);
    EXPECT_EQ(fewer[0].persistenceID, "msid-1");
    EXPECT_TRUE(fewer[0].isCurrent);

    table.clear();
    EXPECT_EQ(table.managedDisplaySpaces(kDisplay), nullptr);
    EXPECT_EQ(table.activeSpace(), 0);
}

TEST(GnomeWorkspaceTableTest, CountsAndNamesAreBoundedAndRepairedAndStrayIndicesNameNothing) {
    GnomeWorkspaceTable table;
    std::vector<std::string> many(5000, "x");
    many[0] = std::string("bad \xC3\x28 byte");
    // A name just over the bound whose last character straddles it.
    many[1] = std::string(GnomeWorkspaceTable::kMaxNameBytes - 1, 'a') + "😀";
    table.setWorkspaces(many, 4000);
    ASSERT_EQ(table.names().size(), GnomeWorkspaceTable::kMaxWorkspaces);
    EXPECT_EQ(table.names()[0], "bad \xEF\xBF\xBD( byte");
    EXPECT_EQ(table.names()[1], std::string(GnomeWorkspaceTable::kMaxNameBytes - 1, 'a'));
    // The active workspace is beyond the kept ones: none is current, nothing breaks.
    EXPECT_EQ(table.active(), std::nullopt);
    EXPECT_EQ(table.activeSpace(), 0);
    const auto spaces = detect(table);
    ASSERT_EQ(spaces.size(), GnomeWorkspaceTable::kMaxWorkspaces);
    EXPECT_TRUE(std::none_of(spaces.begin(), spaces.end(),
                             [](const SpaceInfo& s) { return s.isActiveOnDisplay; }));
    EXPECT_NO_THROW((void)table.managedDisplaySpaces(kDisplay).dump());

    // Only managed numbers of kept workspaces turn into indices for Activate.
    for (const std::int64_t stray : {std::int64_t{0}, std::int64_t{-1}, std::int64_t{257},
                                     std::numeric_limits<std::int64_t>::max()}) {
        EXPECT_EQ(table.workspaceIndex(stray), std::nullopt) << stray;
    }
    EXPECT_EQ(table.workspaceIndex(256), 255u);
}

} // namespace
} // namespace quillbar
