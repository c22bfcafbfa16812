#include "services/JournalLogSink.h"

// Every line is sent from here, so a code location would tell the reader nothing.
#define SD_JOURNAL_SUPPRESS_LOCATION
#include <sys/uio.h>
#include <syslog.h>
#include <systemd/sd-journal.h>

#include <iterator>
#include <string_view>
#include <utility>

namespace quillbar {

namespace {

iovec field(std::string_view text) {
    return {const_cast<char*>(text.data()), text.size()};
}

} // namespace

JournalLogSink::JournalLogSink(std::string subsystem, LogSink* mirror)
    : subsystemField_("SUBSYSTEM=" + std::move(subsystem))
    , noticeField_("PRIORITY=" + std::to_string(LOG_NOTICE))
    , infoField_("PRIORITY=" + std::to_string(LOG_INFO))
    , mirror_(mirror) {}

void JournalLogSink::log(LogLevel level, const std::string& message) {
    // The fields that never change are made once: a line costs one string and one send.
    const std::string text = "MESSAGE=" + message;
    iovec fields[] = {field(text), field(level == LogLevel::Default ? noticeField_ : infoField_),
                      field("SYSLOG_IDENTIFIER=quillbar"), field(subsystemField_),
                      field("CATEGORY=Spaces")};
    // Without a journal (containers, tests) the call fails quietly; nothing else can be done.
    sd_journal_sendv(fields, static_cast<int>(std::size(fields)));
    if (mirror_ != nullptr) {
        mirror_->log(level, message);
    }
}

} // namespace quillbar
