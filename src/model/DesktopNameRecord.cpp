// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/DesktopNameRecord.h"

#include "model/UnicodeText.h"

#include <nlohmann/json.hpp>

namespace quillbar {
namespace {

constexpr const char* originalMember = "original";
constexpr const char* writtenMember = "written";

std::optional<std::string> boundedString(const nlohmann::json& object, const char* member) {
    const auto found = object.find(member);
    if (found == object.end() || !found->is_string() ||
        found->get_ref<const std::string&>().size() > maxDesktopNameRecordBytes) {
        return std::nullopt;
    }
    return found->get<std::string>();
}

} // namespace

std::string encodeDesktopNameRecords(const DesktopNameRecords& records) {
    nlohmann::json object = nlohmann::json::object();
    for (const auto& [key, record] : records) {
        object[key] = {{originalMember, record.original}, {writtenMember, record.written}};
    }
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<DesktopNameRecords> decodeDesktopNameRecords(std::string_view utf8Json) {
    const auto object = nlohmann::json::parse(utf8Json, nullptr, /*allow_exceptions=*/false);
    if (!object.is_object()) {
        return std::nullopt;
    }
    DesktopNameRecords records;
    for (const auto& [key, value] : object.items()) {
        if (records.size() == maxDesktopNameRecords) {
            break;
        }
        if (!value.is_object() || key.empty() || key.size() > maxDesktopNameRecordBytes) {
            continue;
        }
        std::string normalKey = UnicodeText::toNFC(key);
        auto original = boundedString(value, originalMember);
        auto written = boundedString(value, writtenMember);
        if (original && written && normalKey.size() <= maxDesktopNameRecordBytes) {
            records[std::move(normalKey)] = {std::move(*original), std::move(*written)};
        }
    }
    return records;
}

} // namespace quillbar
