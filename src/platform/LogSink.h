// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace quillbar {

enum class LogLevel { Default, Info };

// Where the observer's log lines go (subsystem: the application identifier, category "Spaces").
class LogSink {
public:
    virtual ~LogSink() = default;

    // Writes one finished line at the level.
    virtual void log(LogLevel level, const std::string& message) = 0;
};

} // namespace quillbar
