// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/LogSink.h"

#include <nlohmann/json.hpp>

#include <string>

namespace quillbar::e2e {

// Writes one JSON object per line on standard output, stamped with the wall-clock time in
// microseconds ("t"); as a log sink, {"event":"log","message":...}.
class JsonLines final : public LogSink {
public:
    // Writes the object with "event" and "t" added, and flushes.
    void report(const std::string& event, nlohmann::json fields = nlohmann::json::object());
    // Writes a "log" line.
    void log(LogLevel level, const std::string& message) override;
};

} // namespace quillbar::e2e
