// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/LogSink.h"

#include <string>

namespace quillbar {

// Writes the observer's lines to the systemd journal under the identifier "quillbar", with the
// subsystem and the category "Spaces" as fields, and optionally to a second sink as well.
class JournalLogSink final : public LogSink {
public:
    // subsystem: the application identifier; mirror (may be null) also gets every line and must
    // outlive the sink; fallback (may be null, may be the mirror) gets the lines the journal does
    // not take: when its socket is missing or a send fails.
    explicit JournalLogSink(std::string subsystem, LogSink* mirror = nullptr,
                            LogSink* fallback = nullptr,
                            const std::string& socket = "/run/systemd/journal/socket");

    // Sends the line to the journal (priority notice for Default, info for Info) and the mirror.
    void log(LogLevel level, const std::string& message) override;

private:
    std::string subsystemField_;
    std::string noticeField_;
    std::string infoField_;
    LogSink* mirror_;
    LogSink* fallback_;
    bool hasJournal_;
};

} // namespace quillbar
