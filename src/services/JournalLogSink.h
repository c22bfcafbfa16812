#pragma once

#include "platform/LogSink.h"

#include <string>

namespace quillbar {

// Writes the observer's lines to the systemd journal under the identifier "quillbar", with the
// subsystem and the category "Spaces" as fields, and optionally to a second sink as well.
class JournalLogSink final : public LogSink {
public:
    // subsystem: the application identifier; mirror (may be null) also gets every line and must
    // outlive the sink.
    explicit JournalLogSink(std::string subsystem, LogSink* mirror = nullptr);

    // Sends the line to the journal (priority notice for Default, info for Info) and the mirror.
    void log(LogLevel level, const std::string& message) override;

private:
    std::string subsystemField_;
    std::string noticeField_;
    std::string infoField_;
    LogSink* mirror_;
};

} // namespace quillbar
