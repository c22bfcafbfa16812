// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/TitleLine.h"

#include <nlohmann/json.hpp>

namespace quillbar {

namespace {

// JSON on one line; text that is not UTF-8 is repaired rather than refused.
std::string compact(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// One title, one line: a line break inside a name would look like two titles.
std::string oneLine(std::string_view title) {
    std::string text;
    text.reserve(title.size() + 1);
    for (std::size_t i = 0; i < title.size(); ++i) {
        const char c = title[i];
        const std::string_view rest = title.substr(i);
        if (c == '\n' || c == '\r' || c == '\v' || c == '\f') {
            text += ' ';
        } else if (rest.starts_with("\xC2\x85")) { // NEL
            text += ' ';
            i += 1;
        } else if (rest.starts_with("\xE2\x80\xA8") || rest.starts_with("\xE2\x80\xA9")) {
            text += ' '; // the line and paragraph separators
            i += 2;
        } else {
            text += c;
        }
    }
    return text;
}

} // namespace

std::string TitleLine::format(std::string_view title, Format format) {
    switch (format) {
    case Format::Plain:
        return oneLine(title) + '\n';
    case Format::I3bar:
        // One status line of the endless array: a single block, then the separating comma.
        return compact(nlohmann::json::array(
                   {nlohmann::json{{"full_text", std::string(title)}, {"name", "quillbar"}}})) +
               ",\n";
    case Format::Json:
        break;
    }
    return compact(nlohmann::json{{"text", std::string(title)}, {"tooltip", std::string(title)}}) +
           '\n';
}

std::string TitleLine::preamble(Format format) {
    if (format != Format::I3bar) {
        return {};
    }
    // The bar reads the header, then an array that stays open as long as the follower runs.
    return compact(nlohmann::json{{"version", 1}}) + "\n[\n";
}

} // namespace quillbar
