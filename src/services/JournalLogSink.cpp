// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/JournalLogSink.h"

// Every line is sent from here, so a code location would tell the reader nothing.
#define SD_JOURNAL_SUPPRESS_LOCATION
#include <sys/uio.h>
#include <syslog.h>
#include <systemd/sd-journal.h>
#include <unistd.h>

#include <iterator>
#include <string_view>
#include <utility>

namespace quillbar {

namespace {

iovec field(std::string_view text) {
    return {const_cast<char*>(text.data()), text.size()};
}

} // namespace

JournalLogSink::JournalLogSink(std::string subsystem, LogSink* mirror, LogSink* fallback,
                               const std::string& socket)
    : subsystemField_("SUBSYSTEM=" + std::move(subsystem))
    , noticeField_("PRIORITY=" + std::to_string(LOG_NOTICE))
    , infoField_("PRIORITY=" + std::to_string(LOG_INFO))
    , mirror_(mirror)
    , fallback_(fallback)
    , hasJournal_(::access(socket.c_str(), F_OK) == 0) {}

void JournalLogSink::log(LogLevel level, const std::string& message) {
    // The fields that never change are made once: a line costs one string and one send.
    const std::string text = "MESSAGE=" + message;
    iovec fields[] = {field(text), field(level == LogLevel::Default ? noticeField_ : infoField_),
                      field("SYSLOG_IDENTIFIER=quillbar"), field(subsystemField_),
                      field("CATEGORY=Spaces")};
    // Without a journal (containers, tests) the line goes to the fallback instead.
    const bool sent =
        hasJournal_ && sd_journal_sendv(fields, static_cast<int>(std::size(fields))) >= 0;
    if (mirror_ != nullptr) {
        mirror_->log(level, message);
    }
    if (!sent && fallback_ != nullptr && fallback_ != mirror_) {
        fallback_->log(level, message);
    }
}

} // namespace quillbar
