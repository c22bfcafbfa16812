// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/extworkspace/ExtWorkspaceModel.h"

#include "model/UnicodeText.h"
#include "platform/WindowServer.h"

#include <uuid/uuid.h>

#include <algorithm>
#include <limits>
#include <set>

namespace quillbar {

using nlohmann::json;

namespace {

// The namespace of name-based identifiers of workspace groups (a fixed random UUID).
constexpr uuid_t kGroupNamespace = {0x6f, 0x1d, 0xa2, 0x94, 0x3c, 0x57, 0x4b, 0x0e,
                                    0x8a, 0x61, 0xd9, 0x2f, 0x70, 0xc4, 0x15, 0xb8};

// Repaired to valid UTF-8 and cut between characters (at most four bytes come out of each byte
// looked at, hence the first cut).
std::string bounded(std::string_view text) {
    return UnicodeText::prefix(
        text.substr(0, std::min(text.size(), 4 * ExtWorkspaceModel::kMaxNameBytes)),
        std::numeric_limits<std::size_t>::max(), ExtWorkspaceModel::kMaxNameBytes);
}

std::string uuidText(const std::string& name) {
    uuid_t uuid;
    uuid_generate_sha1(uuid, kGroupNamespace, name.data(), name.size());
    char text[37];
    uuid_unparse_upper(uuid, text);
    return text;
}

// Whether a name only says the workspace's position: "3", "Workspace 3", "Desktop 3".
bool restatesPosition(std::string_view name, std::size_t position) {
    const std::string number = std::to_string(position);
    for (const std::string_view word : {"", "workspace ", "desktop "}) {
        if (name.size() != word.size() + number.size() || !name.ends_with(number)) {
            continue;
        }
        const bool same = std::equal(word.begin(), word.end(), name.begin(), [](char a, char b) {
            return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
        });
        if (same) {
            return true;
        }
    }
    return false;
}

template <typename Map> auto* find(Map& map, ExtWorkspaceModel::Handle handle) {
    const auto found = map.find(handle);
    return found == map.end() ? nullptr : &found->second;
}

} // namespace

bool ExtWorkspaceModel::addGroup(Handle group) {
    if (groups_.size() >= kMaxGroups || groups_.contains(group)) {
        return false;
    }
    groups_[group].arrival = arrivals_++;
    changed();
    return true;
}

bool ExtWorkspaceModel::addWorkspace(Handle workspace) {
    if (workspaces_.size() >= kMaxWorkspaces || workspaces_.contains(workspace)) {
        return false;
    }
    Workspace& added = workspaces_[workspace];
    added.arrival = arrivals_++;
    added.managedID = nextManagedID_++;
    return true; // shown only once it joins a group
}

void ExtWorkspaceModel::removeGroup(Handle group) {
    const auto found = groups_.find(group);
    if (found == groups_.end()) {
        return;
    }
    for (const Handle workspace : found->second.workspaces) {
        workspaces_[workspace].group.reset();
    }
    groups_.erase(found);
    changed();
}

void ExtWorkspaceModel::removeWorkspace(Handle workspace) {
    if (!workspaces_.contains(workspace)) {
        return;
    }
    detach(workspace);
    workspaces_.erase(workspace);
    if (lastActivated_ == workspace) {
        lastActivated_.reset();
    }
}

void ExtWorkspaceModel::detach(Handle workspace) {
    Workspace& kept = workspaces_.at(workspace);
    if (!kept.group) {
        return;
    }
    if (Group* group = find(groups_, *kept.group)) {
        std::erase(group->workspaces, workspace);
    }
    kept.group.reset();
    changed();
}

void ExtWorkspaceModel::groupOutputEnter(Handle group, Handle output) {
    Group* kept = find(groups_, group);
    if (!kept || !outputs_.contains(output) ||
        std::find(kept->outputs.begin(), kept->outputs.end(), output) != kept->outputs.end()) {
        return;
    }
    kept->outputs.push_back(output); // bounded: outputs are
    changed();
}

void ExtWorkspaceModel::groupOutputLeave(Handle group, Handle output) {
    if (Group* kept = find(groups_, group); kept && std::erase(kept->outputs, output) > 0) {
        changed();
    }
}

void ExtWorkspaceModel::groupWorkspaceEnter(Handle group, Handle workspace) {
    Group* joined = find(groups_, group);
    Workspace* kept = find(workspaces_, workspace);
    if (!joined || !kept || kept->group == group ||
        joined->workspaces.size() >= kMaxWorkspacesPerGroup) {
        return;
    }
    detach(workspace);
    joined->workspaces.push_back(workspace);
    kept->group = group;
    changed();
}

void ExtWorkspaceModel::groupWorkspaceLeave(Handle group, Handle workspace) {
    if (Workspace* kept = find(workspaces_, workspace); kept && kept->group == group) {
        detach(workspace);
    }
}

void ExtWorkspaceModel::workspaceID(Handle workspace, std::string_view id) {
    // Sent once, before any name; a second one is ignored, so a key never changes under a name.
    if (Workspace* kept = find(workspaces_, workspace); kept && !kept->id) {
        kept->id = bounded(id);
        changed();
    }
}

void ExtWorkspaceModel::workspaceName(Handle workspace, std::string_view name) {
    if (Workspace* kept = find(workspaces_, workspace)) {
        kept->name = bounded(name);
        changed();
    }
}

void ExtWorkspaceModel::workspaceCoordinates(Handle workspace,
                                             std::vector<std::uint32_t> coordinates) {
    if (Workspace* kept = find(workspaces_, workspace)) {
        coordinates.resize(std::min(coordinates.size(), kMaxCoordinates));
        kept->coordinates = std::move(coordinates);
        changed();
    }
}

void ExtWorkspaceModel::workspaceState(Handle workspace, std::uint32_t state) {
    Workspace* kept = find(workspaces_, workspace);
    if (!kept || kept->state == state) {
        return;
    }
    if ((state & kStateActive) && !(kept->state & kStateActive)) {
        lastActivated_ = workspace; // the nearest thing to focus the protocol has
    }
    if ((state & kStateHidden) != (kept->state & kStateHidden)) {
        changed();
    }
    kept->state = state;
}

void ExtWorkspaceModel::workspaceCapabilities(Handle workspace, std::uint32_t capabilities) {
    if (Workspace* kept = find(workspaces_, workspace);
        kept && kept->capabilities != capabilities) {
        kept->capabilities = capabilities;
        changed();
    }
}

bool ExtWorkspaceModel::addOutput(Handle output) {
    if (outputs_.size() >= kMaxOutputs || outputs_.contains(output)) {
        return false;
    }
    outputs_[output];
    return true;
}

void ExtWorkspaceModel::removeOutput(Handle output) {
    if (outputs_.erase(output) == 0) {
        return;
    }
    for (auto& [handle, group] : groups_) {
        std::erase(group.outputs, output);
    }
    changed();
}

void ExtWorkspaceModel::outputName(Handle output, std::string_view name) {
    if (Output* kept = find(outputs_, output)) {
        kept->name = bounded(name);
        changed();
    }
}

void ExtWorkspaceModel::outputDescription(Handle output, std::string_view description) {
    if (Output* kept = find(outputs_, output)) {
        kept->description = bounded(description);
        changed();
    }
}

void ExtWorkspaceModel::outputMakeModel(Handle output, std::string_view make,
                                        std::string_view model) {
    if (Output* kept = find(outputs_, output)) {
        kept->make = bounded(make);
        kept->model = bounded(model);
        changed();
    }
}

void ExtWorkspaceModel::clear() {
    groups_.clear();
    workspaces_.clear();
    outputs_.clear();
    lastActivated_.reset();
    changed();
}

std::vector<ExtWorkspaceModel::Handle> ExtWorkspaceModel::orderedGroups() const {
    std::vector<Handle> order;
    for (const auto& [handle, group] : groups_) {
        order.push_back(handle);
    }
    std::sort(order.begin(), order.end(),
              [&](Handle a, Handle b) { return groups_.at(a).arrival < groups_.at(b).arrival; });
    return order;
}

std::vector<ExtWorkspaceModel::Handle>
ExtWorkspaceModel::orderedWorkspaces(const Group& group) const {
    std::vector<Handle> order;
    for (const Handle handle : group.workspaces) {
        if (!(workspaces_.at(handle).state & kStateHidden)) {
            order.push_back(handle);
        }
    }
    // Workspaces without coordinates come after those with them.
    std::sort(order.begin(), order.end(), [&](Handle a, Handle b) {
        const Workspace& left = workspaces_.at(a);
        const Workspace& right = workspaces_.at(b);
        if (left.coordinates.empty() != right.coordinates.empty()) {
            return right.coordinates.empty();
        }
        if (left.coordinates != right.coordinates) {
            return left.coordinates < right.coordinates;
        }
        return left.arrival < right.arrival;
    });
    return order;
}

std::string ExtWorkspaceModel::identifier(Handle group) const {
    // The same outputs name the same display in every session; a group on no output is named by
    // its place among such groups.
    const std::vector<Handle> order = orderedGroups();
    std::map<std::string, int> seen;
    std::string answer;
    for (const Handle handle : order) {
        std::set<std::string> names;
        for (const Handle output : groups_.at(handle).outputs) {
            const Output& o = outputs_.at(output);
            names.insert(!o.name.empty() ? o.name : o.make + "\n" + o.model + "\n" + o.description);
        }
        std::string key = "outputs";
        for (const std::string& name : names) {
            key += ":" + name;
        }
        if (names.empty()) {
            key = "no output";
        }
        const int count = seen[key]++;
        if (handle == group) {
            answer = uuidText(count == 0 ? key : key + "#" + std::to_string(count));
            break;
        }
    }
    return answer;
}

std::string ExtWorkspaceModel::displayName(const Group& group) const {
    std::string name;
    for (const Handle output : group.outputs) {
        const Output& o = outputs_.at(output);
        std::string one = !o.make.empty() && !o.model.empty() && o.make != "Unknown"
                              ? o.make + " " + o.model
                          : !o.name.empty() ? o.name
                                            : o.description;
        if (!one.empty()) {
            name += (name.empty() ? "" : ", ") + one;
        }
    }
    return name.empty() ? "Workspaces" : bounded(name);
}

std::optional<ExtWorkspaceModel::Handle> ExtWorkspaceModel::currentGroup() const {
    if (lastActivated_) {
        if (const auto group = workspaces_.at(*lastActivated_).group) {
            return group;
        }
    }
    const std::vector<Handle> order = orderedGroups();
    return order.empty() ? std::nullopt : std::optional(order.front());
}

std::int64_t ExtWorkspaceModel::activeIn(const Group& group) const {
    for (const Handle handle : orderedWorkspaces(group)) {
        const Workspace& workspace = workspaces_.at(handle);
        if ((workspace.state & kStateActive) && (workspace.capabilities & kCapabilityActivate)) {
            return workspace.managedID;
        }
    }
    return 0;
}

json ExtWorkspaceModel::managedDisplaySpaces() const {
    json displays = json::array();
    for (const Handle handle : orderedGroups()) {
        const Group& group = groups_.at(handle);
        const std::string display = identifier(handle);
        json spaces = json::array();
        json current = json::object();
        std::size_t position = 0;
        for (const Handle member : orderedWorkspaces(group)) {
            const Workspace& workspace = workspaces_.at(member);
            ++position;
            const std::string uuid = "ext-ws-" + std::to_string(workspace.managedID);
            json space = {{WindowServer::kType, 0},
                          {WindowServer::kUUID, uuid},
                          {WindowServer::kPersistenceKey,
                           workspace.id ? "ext-id:" + *workspace.id
                                        : "ext-" + display + "-" + std::to_string(position)}};
            if (workspace.capabilities & kCapabilityActivate) {
                space[WindowServer::kManagedSpaceID] = workspace.managedID;
            }
            const std::string name = UnicodeText::trimmed(workspace.name);
            if (!name.empty() && !restatesPosition(name, position)) {
                space[WindowServer::kSpaceName] = name;
            }
            if ((workspace.state & kStateActive) && current.empty()) {
                current[WindowServer::kUUID] = uuid;
            }
            spaces.push_back(std::move(space));
        }
        displays.push_back({{WindowServer::kDisplayIdentifier, display},
                            {WindowServer::kCurrentSpace, std::move(current)},
                            {WindowServer::kSpaces, std::move(spaces)}});
    }
    return displays;
}

std::int64_t ExtWorkspaceModel::activeSpace() const {
    const auto group = currentGroup();
    return group ? activeIn(groups_.at(*group)) : 0;
}

std::int64_t ExtWorkspaceModel::displayCurrentSpace(const std::string& identifier) const {
    for (const auto& [handle, group] : groups_) {
        if (this->identifier(handle) == identifier) {
            return activeIn(group);
        }
    }
    return 0;
}

std::optional<ExtWorkspaceModel::Handle>
ExtWorkspaceModel::activatableWorkspace(std::int64_t managedSpaceID) const {
    for (const auto& [handle, workspace] : workspaces_) {
        if (workspace.managedID == managedSpaceID && workspace.group &&
            (workspace.capabilities & kCapabilityActivate)) {
            return handle;
        }
    }
    return std::nullopt;
}

std::vector<ExtWorkspaceModel::Display> ExtWorkspaceModel::displays() const {
    std::vector<Display> answer;
    for (const Handle handle : orderedGroups()) {
        answer.push_back({identifier(handle), displayName(groups_.at(handle))});
    }
    return answer;
}

std::size_t ExtWorkspaceModel::currentDisplay() const {
    const auto group = currentGroup();
    const std::vector<Handle> order = orderedGroups();
    const auto found = std::find(order.begin(), order.end(), group.value_or(0));
    return found == order.end() ? 0 : static_cast<std::size_t>(found - order.begin());
}

} // namespace quillbar
