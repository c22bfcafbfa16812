// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillbar {

// GNOME Shell's workspaces as the core reads them. Pure: it is told what the Shell extension said
// (the names in order and the active index) and answers with managed-display dictionaries.
// Workspaces have no identity of their own and come and go with dynamic workspaces, so each is
// keyed by its position (managed number position + 1), which names a workspace again when one
// comes back; GNOME's names for them ("Workspace N" or the user's own) are the defaults.
class GnomeWorkspaceTable {
public:
    // At most this many workspaces are kept, as for any other display.
    static constexpr std::size_t kMaxWorkspaces = 256;
    // Longer names are cut (on a character boundary).
    static constexpr std::size_t kMaxNameBytes = 1000;

    // Replaces the workspaces and the active one (zero-based). Names are repaired to valid UTF-8
    // and cut to kMaxNameBytes; workspaces beyond kMaxWorkspaces are dropped.
    void setWorkspaces(std::vector<std::string> names, std::uint32_t active);
    // Forgets the workspaces (the extension went away).
    void clear();

    // Whether the extension has said anything since the start or the last clear().
    bool known() const { return known_; }
    // The kept workspaces' names, in order.
    const std::vector<std::string>& names() const { return names_; }
    // The active workspace's index; nullopt when it is not among the kept ones.
    std::optional<std::uint32_t> active() const;

    // One managed-display dictionary for the display with that identifier, in an array; null
    // while nothing is known. Spaces carry their position + 1 as managed number, type 0 and
    // GNOME's name.
    nlohmann::json managedDisplaySpaces(const std::string& displayIdentifier) const;
    // The managed number of the active workspace; 0 when none is known.
    std::int64_t activeSpace() const;
    // The index of the workspace behind a managed number; nullopt when there is none.
    std::optional<std::uint32_t> workspaceIndex(std::int64_t managedSpaceID) const;

private:
    std::vector<std::string> names_;
    std::uint32_t active_ = 0;
    bool known_ = false;
};

} // namespace quillbar
