// SPDX-License-Identifier: GPL-3.0-or-later
#include "JsonLines.h"

#include <chrono>
#include <cstdio>

namespace quillbar::e2e {

void JsonLines::report(const std::string& event, nlohmann::json fields) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    fields["event"] = event;
    fields["t"] = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    const std::string line =
        fields.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

void JsonLines::log(LogLevel, const std::string& message) {
    report("log", {{"message", message}});
}

} // namespace quillbar::e2e
