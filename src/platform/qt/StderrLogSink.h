// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/LogSink.h"

#include <string>

namespace quillbar {

// Writes each log line to standard error, prefixed with the subsystem and category.
class StderrLogSink final : public LogSink {
public:
    // subsystem: the application identifier, or "Quillbar" when there is none.
    explicit StderrLogSink(std::string subsystem);

    // Writes "<subsystem> [Spaces] <level>: <message>" as one line.
    void log(LogLevel level, const std::string& message) override;

private:
    std::string subsystem_;
};

} // namespace quillbar
