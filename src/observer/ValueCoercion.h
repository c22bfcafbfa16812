// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Rect.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

// Every value read from a window-server answer goes through these coercions. A JSON number is the
// platform's number; text counts only when it spells the value exactly. Anything else gives absent
// (or the default), never undefined behaviour.
namespace quillbar::ValueCoercion {

// The whole text as a decimal integer: an optional "+" or "-", one or more ASCII digits, nothing
// else, within the signed 64-bit range; nullopt otherwise.
std::optional<std::int64_t> parseInteger(std::string_view text);

// A number as an integer (fraction dropped) or integer text; nullopt for anything else, for
// non-finite numbers and for numbers outside the signed 64-bit range.
std::optional<std::int64_t> intValue(const nlohmann::json& value);
// The same rule as intValue: the value as a signed 64-bit integer, or nullopt.
std::optional<std::int64_t> int64Value(const nlohmann::json& value);
// int64Value of the dictionary's value under each key in turn; the first present result wins.
// A value that is not a dictionary gives nullopt.
std::optional<std::int64_t> int64Value(const nlohmann::json& dictionary,
                                       std::initializer_list<std::string_view> keys);
// A number as a double, or text that parses in full as one; fallback for anything else.
double doubleValue(const nlohmann::json& value, double fallback);
// A dictionary whose "X", "Y", "Width" and "Height" all give numbers, as a rectangle; nullopt
// otherwise.
std::optional<Rect> rectValue(const nlohmann::json& value);
// Text under the key (empty text included), or a number's decimal text; nullopt when the key is
// missing, the value is of another kind, or the value given is not a dictionary.
std::optional<std::string> stringValue(const nlohmann::json& dictionary, std::string_view key);

// Whether the value is a list whose every element is a dictionary (one odd element spoils it).
bool isArrayOfDictionaries(const nlohmann::json& value);

// The dictionary's value under key, or nullptr when the value given is not a dictionary or lacks
// it.
const nlohmann::json* member(const nlohmann::json& dictionary, std::string_view key);

} // namespace quillbar::ValueCoercion
