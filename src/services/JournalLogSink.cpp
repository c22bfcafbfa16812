#include "services/JournalLogSink.h"

#include <syslog.h>
#include <systemd/sd-journal.h>

#include <utility>

namespace quillbar {

JournalLogSink::JournalLogSink(std::string subsystem, LogSink* mirror)
    : subsystem_(std::move(subsystem))
    , mirror_(mirror) {}

void JournalLogSink::log(LogLevel level, const std::string& message) {
    const int priority = level == LogLevel::Default ? LOG_NOTICE : LOG_INFO;
    // Without a journal (containers, tests) the call fails quietly; nothing else can be done.
    sd_journal_send("MESSAGE=%s", message.c_str(), "PRIORITY=%d", priority,
                    "SYSLOG_IDENTIFIER=quillbar", "SUBSYSTEM=%s", subsystem_.c_str(),
                    "CATEGORY=Spaces", nullptr);
    if (mirror_ != nullptr) {
        mirror_->log(level, message);
    }
}

} // namespace quillbar
