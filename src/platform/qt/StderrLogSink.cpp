// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/StderrLogSink.h"

#include <cstdio>

namespace quillbar {

StderrLogSink::StderrLogSink(std::string subsystem)
    : subsystem_(std::move(subsystem)) {}

void StderrLogSink::log(LogLevel level, const std::string& message) {
    std::string line = subsystem_ + " [Spaces] " + (level == LogLevel::Info ? "info" : "default") +
                       ": " + message + "\n";
    // One write per line keeps lines whole when other threads write too.
    std::fwrite(line.data(), 1, line.size(), stderr);
}

} // namespace quillbar
