// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/NameTable.h"

#include "model/UnicodeText.h"

#include <nlohmann/json.hpp>

namespace quillbar {
namespace {

constexpr const char* nameMember = "name";
constexpr const char* emojiMember = "emoji";

std::optional<std::string> stringMember(const nlohmann::json& object, const char* member) {
    const auto found = object.find(member);
    if (found == object.end() || !found->is_string()) {
        return std::nullopt;
    }
    return found->get<std::string>();
}

} // namespace

std::string encodeNameTable(const NameTable& table) {
    nlohmann::json object = nlohmann::json::object();
    for (const auto& [key, assignment] : table) {
        object[key] = {{nameMember, assignment.name}, {emojiMember, assignment.emoji}};
    }
    // Compact, non-ASCII unescaped; "replace" turns ill-formed UTF-8 into U+FFFD instead of
    // throwing, so the written text is always valid JSON.
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<NameTable> decodeNameTable(std::string_view utf8Json) {
    // The parser rejects ill-formed UTF-8 inside strings, so a decoded table never holds it.
    const auto object = nlohmann::json::parse(utf8Json, nullptr, /*allow_exceptions=*/false);
    if (!object.is_object()) {
        return std::nullopt; // also covers parse failure ("discarded")
    }
    NameTable table;
    for (const auto& [key, value] : object.items()) {
        if (!value.is_object()) {
            return std::nullopt;
        }
        auto name = stringMember(value, nameMember);
        auto emoji = stringMember(value, emojiMember);
        if (!name || !emoji) {
            return std::nullopt;
        }
        table[UnicodeText::toNFC(key)] = SpaceAssignment{std::move(*name), std::move(*emoji)};
    }
    return table;
}

} // namespace quillbar
