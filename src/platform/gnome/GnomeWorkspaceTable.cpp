// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gnome/GnomeWorkspaceTable.h"

#include "model/UnicodeText.h"
#include "platform/WindowServer.h"

#include <limits>

namespace quillbar {

void GnomeWorkspaceTable::setWorkspaces(std::vector<std::string> names, std::uint32_t active) {
    if (names.size() > kMaxWorkspaces) {
        names.resize(kMaxWorkspaces);
    }
    for (std::string& name : names) {
        // Cut between characters, never inside one; what is ill-formed comes out as U+FFFD (at
        // most four bytes for each byte looked at, hence the first cut).
        name = UnicodeText::prefix(std::string_view(name).substr(0, 4 * kMaxNameBytes),
                                   std::numeric_limits<std::size_t>::max(), kMaxNameBytes);
    }
    names_ = std::move(names);
    active_ = active;
    known_ = true;
}

void GnomeWorkspaceTable::clear() {
    names_.clear();
    active_ = 0;
    known_ = false;
}

std::optional<std::uint32_t> GnomeWorkspaceTable::active() const {
    if (!known_ || active_ >= names_.size()) {
        return std::nullopt;
    }
    return active_;
}

nlohmann::json
GnomeWorkspaceTable::managedDisplaySpaces(const std::string& displayIdentifier) const {
    if (!known_) {
        return nullptr;
    }
    auto spaces = nlohmann::json::array();
    for (std::size_t i = 0; i < names_.size(); ++i) {
        nlohmann::json space = {{WindowServer::kManagedSpaceID, static_cast<std::int64_t>(i) + 1},
                                {WindowServer::kType, 0}};
        if (!names_[i].empty()) {
            space[WindowServer::kSpaceName] = names_[i];
        }
        spaces.push_back(std::move(space));
    }
    nlohmann::json current = nlohmann::json::object();
    if (activeSpace() != 0) {
        current[WindowServer::kManagedSpaceID] = activeSpace();
    }
    return nlohmann::json::array({{{WindowServer::kDisplayIdentifier, displayIdentifier},
                                   {WindowServer::kCurrentSpace, std::move(current)},
                                   {WindowServer::kSpaces, std::move(spaces)}}});
}

std::int64_t GnomeWorkspaceTable::activeSpace() const {
    const auto index = active();
    return index ? static_cast<std::int64_t>(*index) + 1 : 0;
}

std::optional<std::uint32_t>
GnomeWorkspaceTable::workspaceIndex(std::int64_t managedSpaceID) const {
    if (managedSpaceID < 1 || managedSpaceID > static_cast<std::int64_t>(names_.size())) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(managedSpaceID - 1);
}

} // namespace quillbar
