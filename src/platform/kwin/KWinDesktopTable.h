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

// KWin's virtual desktops as the core reads them. Pure: it is told what KWin said (as plain
// values) and answers with managed-display dictionaries. Every desktop is a space keyed by KWin's
// desktop id, which survives reordering and restarts; the managed space numbers are this
// session's own, one per desktop id, never reused for another id.
class KWinDesktopTable {
public:
    // One desktop as KWin sends it.
    struct Desktop {
        std::int64_t position = 0; // zero-based place in KWin's order
        std::string id;
        std::string name;

        bool operator==(const Desktop&) const = default;
    };

    // At most this many desktops are kept, as for any other display.
    static constexpr std::size_t kMaxDesktops = 256;
    // Longer ids are no ids KWin makes (it makes UUIDs); such desktops are dropped.
    static constexpr std::size_t kMaxIDBytes = 200;
    // Longer names are cut (on a character boundary).
    static constexpr std::size_t kMaxNameBytes = 1000;
    // The id-to-number memory is trimmed to the present desktops once it holds this many.
    static constexpr std::size_t kMaxRemembered = 4096;

    // Replaces the desktops and the current one. Desktops with an empty, over-long or repeated id
    // are dropped, the rest are put in position order (ties keep KWin's order) and cut to
    // kMaxDesktops.
    void setDesktops(std::vector<Desktop> sent, std::string current);
    // Replaces only the current desktop's id; false when no known desktop has it.
    bool setCurrent(std::string current);
    // Forgets the desktops (KWin went away); the numbers of their ids are kept.
    void clear();

    // Whether KWin has said anything since the start or the last clear().
    bool known() const { return known_; }
    // The usable desktops in KWin's order.
    const std::vector<Desktop>& desktops() const { return desktops_; }
    // The current desktop's id, as last told (may name no known desktop).
    const std::string& current() const { return current_; }

    // One managed-display dictionary for the display with that identifier, in an array; null
    // when KWin has said nothing. Spaces carry a managed number, the desktop id as "uuid", type 0
    // and KWin's name for the desktop.
    nlohmann::json managedDisplaySpaces(const std::string& displayIdentifier) const;
    // The managed number of the current desktop; 0 when none is known.
    std::int64_t activeSpace() const;
    // The desktop id behind a managed number, or nullopt when it names no present desktop.
    std::optional<std::string> desktopID(std::int64_t managedSpaceID) const;
    // The managed number of a desktop id; 0 when the id was never seen.
    std::int64_t managedSpaceID(const std::string& id) const;

private:
    std::int64_t numberFor(const std::string& id);
    void forgetAbsentNumbers();

    std::vector<Desktop> desktops_;
    std::string current_;
    bool known_ = false;
    std::map<std::string, std::int64_t> numbers_;
    std::int64_t nextNumber_ = 1;
};

} // namespace quillbar
