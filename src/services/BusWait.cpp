// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/BusWait.h"

#include <cerrno>

namespace quillbar {

BusWait::End BusWait::serve(sd_bus* bus, const std::function<bool()>& done,
                            Clock::time_point until) {
    return serve(Steps{[bus] { return sd_bus_process(bus, nullptr); },
                       [bus](std::uint64_t usec) { return sd_bus_wait(bus, usec); },
                       [] { return Clock::now(); }},
                 done, until);
}

BusWait::End BusWait::serve(const Steps& steps, const std::function<bool()>& done,
                            Clock::time_point until) {
    if (done()) {
        return End::Done;
    }
    for (;;) {
        const int processed = steps.process();
        if (processed < 0) {
            return End::Failed;
        }
        if (done()) {
            return End::Done;
        }
        const Clock::time_point now = steps.now();
        if (now >= until) {
            return End::TimedOut;
        }
        if (processed > 0) {
            continue; // more may be waiting already
        }
        const auto left = std::chrono::ceil<std::chrono::microseconds>(until - now);
        const int waited = steps.wait(static_cast<std::uint64_t>(left.count()));
        if (waited < 0 && waited != -EINTR) {
            return End::Failed;
        }
    }
}

} // namespace quillbar
