// SPDX-License-Identifier: GPL-3.0-or-later
// Titles from the bus as a status bar reads them: plain is one line, the JSON forms parse back to
// the title (repaired where it was not UTF-8).
#include "FuzzCheck.h"
#include "services/TitleLine.h"

#include <nlohmann/json.hpp>

using quillbar::TitleLine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view title(reinterpret_cast<const char*>(data), size);
    const std::string plain = TitleLine::format(title, TitleLine::Format::Plain);
    FUZZ_CHECK(!plain.empty() && plain.back() == '\n');
    FUZZ_CHECK(std::count(plain.begin(), plain.end(), '\n') == 1);
    FUZZ_CHECK(plain.find_first_of("\r\v\f") == std::string::npos);
    FUZZ_CHECK(plain.find("\xE2\x80\xA8") == std::string::npos);

    const nlohmann::json json =
        nlohmann::json::parse(TitleLine::format(title, TitleLine::Format::Json));
    FUZZ_CHECK(json.at("text") == json.at("tooltip"));
    std::string i3bar = TitleLine::format(title, TitleLine::Format::I3bar);
    FUZZ_CHECK(i3bar.ends_with(",\n"));
    i3bar.resize(i3bar.size() - 2);
    FUZZ_CHECK(nlohmann::json::parse(i3bar).at(0).at("full_text") == json.at("text"));
    // Well-formed text comes back unchanged.
    if (nlohmann::json(std::string(title))
            .dump(-1, ' ', false, nlohmann::json::error_handler_t::ignore) ==
        nlohmann::json(std::string(title))
            .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)) {
        FUZZ_CHECK(json.at("text").get<std::string>() == title);
    }
    return 0;
}
