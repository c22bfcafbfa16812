// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillbar {

// The pure part of the ext-workspace backend: what the compositor said through
// ext_workspace_manager_v1 and wl_output, kept as groups, workspaces and outputs, and answered as
// managed displays. Objects are named by handles the caller chooses (their protocol object ids),
// unique while the object lives. Everything it is told is untrusted: counts are bounded, texts
// repaired and cut, and events about unknown objects are ignored.
class ExtWorkspaceModel {
public:
    static constexpr std::size_t kMaxGroups = 32;
    static constexpr std::size_t kMaxWorkspacesPerGroup = 256;
    // Workspaces waiting for a group count against this too, so a flood cannot grow memory.
    static constexpr std::size_t kMaxWorkspaces = kMaxGroups * kMaxWorkspacesPerGroup;
    static constexpr std::size_t kMaxOutputs = 64;
    static constexpr std::size_t kMaxNameBytes = 1000;
    static constexpr std::size_t kMaxCoordinates = 8;

    static constexpr std::uint32_t kStateActive = 1;
    static constexpr std::uint32_t kStateHidden = 4;
    static constexpr std::uint32_t kCapabilityActivate = 1;

    using Handle = std::uint32_t;

    // A new group or workspace; false when it is refused (a bound is reached or the handle is
    // taken): the caller then destroys the object and tells nothing more of it.
    bool addGroup(Handle group);
    bool addWorkspace(Handle workspace);
    // The group or workspace is gone, with everything it held.
    void removeGroup(Handle group);
    void removeWorkspace(Handle workspace);

    void groupOutputEnter(Handle group, Handle output);
    void groupOutputLeave(Handle group, Handle output);
    // The workspace joins the group (leaving any other), unless the group is full.
    void groupWorkspaceEnter(Handle group, Handle workspace);
    void groupWorkspaceLeave(Handle group, Handle workspace);

    void workspaceID(Handle workspace, std::string_view id);
    void workspaceName(Handle workspace, std::string_view name);
    // The coordinates as the compositor sent them (native-endian 32-bit numbers).
    void workspaceCoordinates(Handle workspace, std::vector<std::uint32_t> coordinates);
    void workspaceState(Handle workspace, std::uint32_t state);
    void workspaceCapabilities(Handle workspace, std::uint32_t capabilities);

    // A wl_output: false when refused (bound reached). Names come from name/description (v4) and
    // geometry's make and model.
    bool addOutput(Handle output);
    void removeOutput(Handle output);
    void outputName(Handle output, std::string_view name);
    void outputDescription(Handle output, std::string_view description);
    void outputMakeModel(Handle output, std::string_view make, std::string_view model);

    // Forgets every object (the connection is gone); the next connection starts afresh.
    void clear();

    // One display per group, in arrival order, with its visible workspaces ordered by
    // coordinates then by arrival: identifiers from the group's outputs, keys from workspace ids
    // (else positions), names unless they only restate the position, managed ids only for
    // workspaces that can be activated.
    nlohmann::json managedDisplaySpaces() const;
    // The current group's active workspace's managed id; 0 when there is none.
    std::int64_t activeSpace() const;
    // The active workspace's managed id on the display with that identifier; 0 when none.
    std::int64_t displayCurrentSpace(const std::string& identifier) const;
    // The workspace behind a managed id, when it can be activated.
    std::optional<Handle> activatableWorkspace(std::int64_t managedSpaceID) const;

    // One display as the display list sees it.
    struct Display {
        std::string identifier;
        std::string name;
        bool operator==(const Display&) const = default;
    };
    // Every group's display, in arrival order; the current group's index in currentDisplay().
    std::vector<Display> displays() const;
    std::size_t currentDisplay() const;

    // Changes every time the groups or workspaces change in a way the spaces list shows.
    std::uint64_t revision() const { return revision_; }
    // How many objects are kept, for bound checks.
    std::size_t groupCount() const { return groups_.size(); }
    std::size_t workspaceCount() const { return workspaces_.size(); }

private:
    struct Output {
        std::string name, description, make, model;
    };
    struct Workspace {
        std::uint64_t arrival = 0;
        std::int64_t managedID = 0;
        std::optional<std::string> id;
        std::string name;
        std::vector<std::uint32_t> coordinates;
        std::uint32_t state = 0;
        std::uint32_t capabilities = 0;
        std::optional<Handle> group;
    };
    struct Group {
        std::uint64_t arrival = 0;
        std::vector<Handle> outputs;
        std::vector<Handle> workspaces;
    };

    std::vector<Handle> orderedGroups() const;
    std::vector<Handle> orderedWorkspaces(const Group& group) const;
    std::string identifier(Handle group) const;
    std::string displayName(const Group& group) const;
    std::optional<Handle> currentGroup() const;
    std::int64_t activeIn(const Group& group) const;
    void detach(Handle workspace);
    void changed() { ++revision_; }

    std::map<Handle, Group> groups_;
    std::map<Handle, Workspace> workspaces_;
    std::map<Handle, Output> outputs_;
    std::optional<Handle> lastActivated_; // the workspace that became active last
    std::uint64_t arrivals_ = 0;
    std::int64_t nextManagedID_ = 1;
    std::uint64_t revision_ = 1;
};

} // namespace quillbar
