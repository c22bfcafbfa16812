// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Screen.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>

namespace quillbar {

// Display ids for the identifiers a window server names its displays by: numbers from 1 in the
// order identifiers are first seen, kept for the session. The names come from another program,
// so the table is bounded: beyond kMaxIds identifiers, new ones share the last id.
class DisplayIdTable {
public:
    static constexpr std::size_t kMaxIds = 4096;

    // The identifier's id, handing out the next one the first time it is seen.
    DisplayID idFor(const std::string& identifier) {
        if (const auto found = ids_.find(identifier); found != ids_.end()) {
            return found->second;
        }
        if (ids_.size() >= kMaxIds) {
            return static_cast<DisplayID>(kMaxIds);
        }
        const auto id = static_cast<DisplayID>(ids_.size() + 1);
        ids_.emplace(identifier, id);
        return id;
    }

    // The identifier that was given the id; nullopt for an id never handed out.
    std::optional<std::string> identifierOf(DisplayID display) const {
        for (const auto& [identifier, id] : ids_) {
            if (id == display) {
                return identifier;
            }
        }
        return std::nullopt;
    }

private:
    std::map<std::string, DisplayID> ids_;
};

} // namespace quillbar
