// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdint>
#include <functional>

namespace quillbar {

// The one bounded wait on an sd-bus connection outside an event loop, for the title client
// (`--print-title`, `--follow`). No Qt.
class BusWait {
public:
    using Clock = std::chrono::steady_clock;
    enum class End { Done, TimedOut, Failed };

    // What the wait does with a connection; sd-bus's own calls in serve().
    struct Steps {
        std::function<int()> process;                // as sd_bus_process
        std::function<int(std::uint64_t usec)> wait; // as sd_bus_wait
        std::function<Clock::time_point()> now;
    };

    // Serves bus until done() holds (Done), the connection fails (Failed) or until has passed
    // (TimedOut). The deadline is checked after every message, so a peer that keeps sending
    // cannot hold the wait past it; a signal that interrupts the wait is not a failure.
    static End serve(sd_bus* bus, const std::function<bool()>& done, Clock::time_point until);
    // The same over any steps.
    static End serve(const Steps& steps, const std::function<bool()>& done,
                     Clock::time_point until);
};

} // namespace quillbar
