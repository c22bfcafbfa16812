// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services/TitleLine.h"

#include <chrono>
#include <string>

namespace quillbar {

// The running instance's title over the session bus with sd-bus, read once or followed: no toolkit
// is loaded, so a status bar that polls `quillbar --print-title` costs a few milliseconds per call,
// and one that keeps `--follow` running hears of a change as soon as the bus carries it.
class TitleQuery {
public:
    enum class Outcome { Title, NotRunning, NoBus };
    struct Answer {
        Outcome outcome = Outcome::NotRunning;
        std::string title; // UTF-8, at most kMaxTitleBytes
    };

    // Where the application exports its title on the session bus (TitleExporter serves it).
    static constexpr const char* kPath = "/org/quillbar/Quillbar";
    static constexpr const char* kInterface = "org.quillbar.Quillbar";
    static constexpr const char* kProperty = "MenuBarTitle";
    static constexpr const char* kSignal = "MenuBarTitleChanged";
    // A title longer than this is cut (at a character boundary): nothing on the bus is trusted.
    static constexpr std::size_t kMaxTitleBytes = 4096;
    // How long a call waits for the whole exchange, connecting included.
    static constexpr std::chrono::milliseconds kDeadline{2000};

    // Asks the holder of service for the property MenuBarTitle of the exported title object;
    // gives up at deadline (NotRunning), whatever the bus or the holder do.
    static Answer read(const std::string& service, std::chrono::milliseconds deadline = kDeadline);
    // Writes format's preamble to outFd, the title of the holder of service once it answers, and a
    // line on every change, following the name to whichever process holds it (an empty title
    // while none does); a line equal to the last is not repeated. Returns 0 once stopFd (when
    // not -1) is readable, 1 when there is no bus, the bus closes, or outFd refuses a line.
    static int follow(const std::string& service, TitleLine::Format format, int outFd,
                      int stopFd = -1);
    // The command: prints the title once (read) or follows it (follow) on standard output; says
    // what went wrong on standard error. Returns the exit status.
    static int run(const std::string& service, TitleLine::Format format, bool follow);
};

} // namespace quillbar
