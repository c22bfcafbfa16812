// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SpaceServerAPI.h"

#include <nlohmann/json.hpp>

#include <memory>

#include <cstdint>

namespace quillbar {

// The window server: managed displays with their spaces, the on-screen window list, and placing
// windows on spaces. Answers are dynamic values that the core reads only through its value
// coercions.
class WindowServer {
public:
    // Keys of a managed-display dictionary and of its space dictionaries.
    static constexpr const char* kDisplayIdentifier = "Display Identifier";
    static constexpr const char* kCurrentSpace = "Current Space";
    static constexpr const char* kSpaces = "Spaces";
    static constexpr const char* kManagedSpaceID = "ManagedSpaceID";
    static constexpr const char* kID64 = "id64";
    // Optional space keys: the key its name is stored under (text), used instead of "uuid" and
    // the managed id; and the number users see and type (integer), which numbers an ordinary
    // desktop instead of its position (null: the desktop has no number).
    static constexpr const char* kPersistenceKey = "Persistence Key";
    static constexpr const char* kDesktopNumber = "Desktop Number";
    static constexpr const char* kUUID = "uuid";
    static constexpr const char* kType = "type";
    static constexpr const char* kPID = "pid";
    // The window manager's own name for the space (text), when it has one.
    static constexpr const char* kSpaceName = "Name";
    // Keys of a window dictionary; bounds hold "X", "Y", "Width" and "Height".
    static constexpr const char* kWindowOwnerPID = "OwnerPID";
    static constexpr const char* kWindowLayer = "Layer";
    static constexpr const char* kWindowAlpha = "Alpha";
    static constexpr const char* kWindowBounds = "Bounds";

    virtual ~WindowServer() = default;

    // One dictionary per managed display, in the server's order; null when the server does not
    // answer.
    virtual nlohmann::json copyManagedDisplaySpaces() = 0;
    // The same answer, shared: a server that keeps it until its events change it hands out the
    // kept one without a copy (a holder's answer never changes under it); others make it afresh.
    virtual std::shared_ptr<const nlohmann::json> keptManagedDisplaySpaces() {
        return std::make_shared<const nlohmann::json>(copyManagedDisplaySpaces());
    }
    // Stays the same while the displays' spaces in the kept answer stay as they were (which
    // space each display shows may change) and changes otherwise, so that what was read from
    // them can be reused; 0 when the server does not keep track.
    virtual std::uint64_t keptSpacesRevision() const { return 0; }
    // Asks the server to put the window on the managed space; no answer.
    virtual void addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) = 0;
    // True when putting a window on a space also activates it: then asking the window manager to
    // activate it too could take the user to where it was before it moved.
    virtual bool placingActivates() const { return false; }
    // On-screen windows (no desktop elements), front to back; null when the query fails.
    virtual nlohmann::json copyWindowList() = 0;
    // The optional entry points; called once, the answer is kept for the process's life.
    virtual SpaceServerAPI spaceServerAPI() = 0;
    // True when a space's key can name the same space again after it went away (desktop positions,
    // workspace numbers); names under such keys are never pruned.
    virtual bool spaceKeysRecur() const = 0;
};

} // namespace quillbar
