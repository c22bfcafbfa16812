// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/MainQueue.h"

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace quillbar::test {

// A main queue on a virtual clock: nothing runs until the test advances time or drains the queue.
class VirtualMainQueue : public MainQueue {
public:
    TimePoint now() const override { return now_; }
    void after(Milliseconds delay, std::function<void()> task) override;
    void post(std::function<void()> task) override { schedule(now_, {std::move(task)}); }
    std::unique_ptr<Timer> repeat(Milliseconds interval, Milliseconds tolerance,
                                  std::function<void()> task) override;

    // Moves the clock forward by delta, running every task that falls due, in time order.
    void advance(Milliseconds delta);
    // Runs the tasks due now (and those they post for now) until none is left.
    void drain() { advance(Milliseconds(0)); }
    // Sets the clock back by delta, as a wall clock may be; queued tasks keep their due times.
    void stepBack(Milliseconds delta) { now_ -= delta; }
    // Every delay requested through after(), in order.
    const std::vector<Milliseconds>& requestedDelays() const { return requestedDelays_; }
    // Every timer created, as (interval, tolerance), in order.
    const std::vector<std::pair<Milliseconds, Milliseconds>>& timers() const { return timers_; }

private:
    struct Entry {
        std::function<void()> task;
        Milliseconds interval{0}; // timers only
        std::shared_ptr<bool> active{};
    };
    void schedule(TimePoint due, Entry entry) { queue_.emplace(due, std::move(entry)); }

    // A realistic wall-clock start, far from the epoch that stands for "the distant past".
    TimePoint now_ = TimePoint{} + std::chrono::hours(24 * 365 * 56);
    std::multimap<TimePoint, Entry> queue_; // equal times keep their order
    std::vector<Milliseconds> requestedDelays_;
    std::vector<std::pair<Milliseconds, Milliseconds>> timers_;
};

} // namespace quillbar::test
