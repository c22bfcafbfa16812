// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/SpaceAssignment.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quillbar {

// The user's names, keyed by a space's persistenceID.
using NameTable = std::map<std::string, SpaceAssignment>;

// The table as compact UTF-8 JSON: one member per space, each an object with exactly the string
// members "name" and "emoji". Always valid JSON: ill-formed UTF-8 is written as U+FFFD.
std::string encodeNameTable(const NameTable& table);

// The table read back from its JSON form, or nullopt when the text is not a JSON object or any
// member's value lacks a string "name" or "emoji" (one bad entry fails the whole table).
// Extra members inside a value are ignored. Keys come back in Unicode Normalisation Form C; of
// several canonically equivalent keys, the member whose key sorts last by bytes wins.
std::optional<NameTable> decodeNameTable(std::string_view utf8Json);

} // namespace quillbar
