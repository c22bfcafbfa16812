// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quillbar {

// What Quillbar last wrote into one desktop's own name, and the name the desktop had before.
struct DesktopNameRecord {
    std::string original; // the desktop's own name before Quillbar first wrote it (empty: none)
    std::string written;  // what Quillbar last asked the desktop to call itself

    bool operator==(const DesktopNameRecord&) const = default;
};

// The records by the key a space's name is stored under.
using DesktopNameRecords = std::map<std::string, DesktopNameRecord>;

// At most this many records are kept, and a stored name longer than this many bytes is dropped.
constexpr std::size_t maxDesktopNameRecords = 1024;
constexpr std::size_t maxDesktopNameRecordBytes = 4096;

// The records as compact UTF-8 JSON: {"key": {"original": "...", "written": "..."}, ...}.
std::string encodeDesktopNameRecords(const DesktopNameRecords& records);

// The records read back; nullopt when the text is no JSON object. An entry of another shape or
// beyond the bounds is left out alone; keys come back in Normalisation Form C.
std::optional<DesktopNameRecords> decodeDesktopNameRecords(std::string_view utf8Json);

} // namespace quillbar
