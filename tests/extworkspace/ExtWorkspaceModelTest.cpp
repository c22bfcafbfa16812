// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/extworkspace/ExtWorkspaceModel.h"
#include "DetectedSpaces.h"

#include <gtest/gtest.h>

#include <tuple>

namespace quillbar {
namespace {

using Model = ExtWorkspaceModel;
constexpr std::uint32_t kActive = Model::kStateActive;
constexpr std::uint32_t kHidden = Model::kStateHidden;
constexpr std::uint32_t kActivate = Model::kCapabilityActivate;

// The spaces the core detects on the model's display at that index.
std::vector<SpaceInfo> detect(const Model& model, std::size_t display = 0) {
    const auto displays = model.displays();
    const auto answer = model.managedDisplaySpaces();
    return test::detectedSpaces(nlohmann::json::array({answer.at(display)}),
                                displays.at(display).identifier, displays.at(display).name);
}

void addWorkspace(Model& model, Model::Handle group, Model::Handle handle, std::string name,
                  std::vector<std::uint32_t> coordinates = {}, std::uint32_t state = 0) {
    ASSERT_TRUE(model.addWorkspace(handle));
    model.workspaceName(handle, name);
    model.workspaceCoordinates(handle, std::move(coordinates));
    model.workspaceCapabilities(handle, kActivate);
    model.workspaceState(handle, state);
    model.groupWorkspaceEnter(group, handle);
}

std::vector<std::string> names(const std::vector<SpaceInfo>& spaces) {
    std::vector<std::string> answer;
    for (const SpaceInfo& space : spaces) {
        answer.push_back(space.defaultName());
    }
    return answer;
}

// Groups are displays named after their outputs; workspaces ordered by coordinates, then arrival,
// hidden ones left out, keyed by id else position, a name restating the position is the default.
TEST(ExtWorkspaceModelTest, GroupsAndWorkspacesReadAsDisplaysAndSpaces) {
    Model model;
    ASSERT_TRUE(model.addOutput(7));
    model.outputName(7, "HEADLESS-1");
    model.outputMakeModel(7, "Acme", "Panel 9");
    ASSERT_TRUE(model.addGroup(1));
    ASSERT_TRUE(model.addGroup(2));
    model.groupOutputEnter(1, 7);
    addWorkspace(model, 1, 10, "Mail", {1, 0});
    addWorkspace(model, 1, 11, "Workspace 1", {0, 0}, kActive);
    addWorkspace(model, 1, 12, "Loose"); // no coordinates: last
    addWorkspace(model, 1, 13, "Secret", {0, 1}, kHidden);
    addWorkspace(model, 1, 14, "3", {2, 0});
    model.workspaceID(10, "mail-id");
    addWorkspace(model, 2, 20, "Elsewhere");

    const auto displays = model.displays();
    ASSERT_EQ(displays.size(), 2u);
    EXPECT_EQ(displays[0].name, "Acme Panel 9");
    EXPECT_EQ(displays[1].name, "Workspaces");
    EXPECT_NE(displays[0].identifier, displays[1].identifier);

    const auto spaces = detect(model);
    EXPECT_EQ(names(spaces), (std::vector<std::string>{"Desktop 1", "Mail", "Desktop 3", "Loose"}));
    ASSERT_EQ(spaces.size(), 4u);
    EXPECT_EQ(spaces[1].persistenceID, "ext-id:mail-id");
    EXPECT_EQ(spaces[0].persistenceID, "ext-" + displays[0].identifier + "-1");
    EXPECT_TRUE(spaces[0].isActiveOnDisplay);
    EXPECT_EQ(detect(model, 1).size(), 1u);

    // The same outputs give the same identifier in another session (another model).
    Model again;
    again.addOutput(3);
    again.outputName(3, "HEADLESS-1");
    again.addGroup(9);
    again.groupOutputEnter(9, 3);
    EXPECT_EQ(again.displays().at(0).identifier, displays[0].identifier);
}

// The current group is the last to change its active workspace; only activatable ones get an id.
TEST(ExtWorkspaceModelTest, CurrentGroupAndSwitchability) {
    Model model;
    model.addGroup(1);
    model.addGroup(2);
    addWorkspace(model, 1, 10, "A", {}, kActive);
    addWorkspace(model, 1, 11, "B");
    addWorkspace(model, 2, 20, "C");
    addWorkspace(model, 2, 21, "D", {}, kActive);
    model.workspaceCapabilities(11, 0);
    EXPECT_EQ(model.currentDisplay(), 1u); // group 2's active workspace arrived last
    const std::int64_t d = *detect(model, 1)[1].managedSpaceID;
    EXPECT_EQ(model.activeSpace(), d);
    EXPECT_EQ(model.activatableWorkspace(d), 21u);

    model.workspaceState(10, 0);
    model.workspaceState(11, kActive);
    EXPECT_EQ(model.currentDisplay(), 0u);
    const auto first = detect(model);
    EXPECT_FALSE(first[1].managedSpaceID.has_value()); // no activate capability
    EXPECT_TRUE(first[1].isActiveOnDisplay);
    EXPECT_EQ(model.activeSpace(), 0); // the active one cannot be named by a managed id
    EXPECT_FALSE(model.activatableWorkspace(*first[0].managedSpaceID + 1000));
    EXPECT_EQ(model.displayCurrentSpace(model.displays()[1].identifier), d);
}

// Removals leave nothing behind; the revision follows what the list shows, not which is active.
TEST(ExtWorkspaceModelTest, RemovalsAndRevisions) {
    Model model;
    model.addOutput(7);
    model.outputName(7, "DP-1");
    model.addGroup(1);
    model.groupOutputEnter(1, 7);
    addWorkspace(model, 1, 10, "A", {}, kActive);
    addWorkspace(model, 1, 11, "B");
    const std::string onOutput = model.displays().at(0).identifier;

    const auto revision = model.revision();
    model.workspaceState(10, 0);
    model.workspaceState(11, kActive);
    EXPECT_EQ(model.revision(), revision);
    model.workspaceName(11, "Bee");
    EXPECT_NE(model.revision(), revision);

    model.removeWorkspace(10);
    EXPECT_EQ(names(detect(model)), (std::vector<std::string>{"Bee"}));
    model.removeOutput(7);
    EXPECT_NE(model.displays().at(0).identifier, onOutput);
    model.removeGroup(1);
    EXPECT_TRUE(model.displays().empty());
    EXPECT_EQ(model.activeSpace(), 0);
    // A workspace whose group went is shown again once it joins another.
    model.addGroup(2);
    model.groupWorkspaceEnter(2, 11);
    EXPECT_EQ(names(detect(model)), (std::vector<std::string>{"Bee"}));
    model.groupWorkspaceLeave(2, 11);
    EXPECT_TRUE(detect(model).empty());
}

// Counts, texts and repeated events are bounded, whatever the compositor sends.
TEST(ExtWorkspaceModelTest, EverythingIsBounded) {
    Model model;
    for (Model::Handle g = 1; g <= 40; ++g) {
        EXPECT_EQ(model.addGroup(g), g <= Model::kMaxGroups);
    }
    EXPECT_FALSE(model.addGroup(1)); // a taken handle
    for (Model::Handle w = 100; w < 100 + 300; ++w) {
        ASSERT_TRUE(model.addWorkspace(w));
        model.workspaceCapabilities(w, kActivate);
        model.groupWorkspaceEnter(1, w);
    }
    EXPECT_EQ(detect(model).size(), Model::kMaxWorkspacesPerGroup);
    Model::Handle w = 1000;
    while (model.addWorkspace(w)) {
        ++w;
    }
    EXPECT_EQ(model.workspaceCount(), Model::kMaxWorkspaces);

    model.workspaceName(100, std::string(5000, 'x') + "\xff");
    model.workspaceID(100, "first");
    model.workspaceID(100, "second"); // a key never changes under a name
    model.workspaceName(101, "ok\xc3(");
    const auto spaces = detect(model);
    EXPECT_EQ(spaces[0].windowManagerName->size(), Model::kMaxNameBytes);
    EXPECT_EQ(spaces[0].persistenceID, "ext-id:first");
    EXPECT_EQ(spaces[1].windowManagerName, "ok\xef\xbf\xbd(");
    EXPECT_FALSE(model.managedDisplaySpaces().dump().empty()); // throws on ill-formed UTF-8
}

} // namespace
} // namespace quillbar
