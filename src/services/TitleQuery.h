#pragma once

#include <chrono>
#include <string>

namespace quillbar {

// The running instance's title read once over the session bus with sd-bus: no toolkit is loaded,
// so a status bar that polls `quillbar --print-title` costs a few milliseconds per call.
class TitleQuery {
public:
    enum class Outcome { Title, NotRunning, NoBus };
    struct Answer {
        Outcome outcome = Outcome::NotRunning;
        std::string title; // UTF-8, at most kMaxTitleBytes
    };

    // A title longer than this is cut (at a character boundary): nothing on the bus is trusted.
    static constexpr std::size_t kMaxTitleBytes = 4096;
    // How long a call waits for the whole exchange, connecting included.
    static constexpr std::chrono::milliseconds kDeadline{2000};

    // Asks the holder of service for the property MenuBarTitle of the exported title object;
    // gives up at deadline (NotRunning), whatever the bus or the holder do.
    static Answer read(const std::string& service, std::chrono::milliseconds deadline = kDeadline);
};

} // namespace quillbar
