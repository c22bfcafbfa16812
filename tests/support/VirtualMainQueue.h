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
    void after(Milliseconds delay, std::function<void()> task) override {
        requestedDelays_.push_back(delay);
        queue_.emplace(now_ + delay, Entry{std::move(task)});
    }
    void post(std::function<void()> task) override { queue_.emplace(now_, Entry{std::move(task)}); }
    std::unique_ptr<Timer> repeat(Milliseconds interval, Milliseconds,
                                  std::function<void()> task) override {
        auto active = std::make_shared<bool>(true);
        queue_.emplace(now_ + interval, Entry{std::move(task), interval, active});
        return std::make_unique<VirtualTimer>(active);
    }

    // Moves the clock forward by delta, running every task that falls due, in time order.
    void advance(Milliseconds delta) {
        const TimePoint until = now_ + delta;
        while (!queue_.empty() && queue_.begin()->first <= until) {
            auto node = queue_.extract(queue_.begin());
            now_ = node.key();
            Entry& entry = node.mapped();
            if (entry.active && !*entry.active) {
                continue;
            }
            if (entry.active) {
                queue_.emplace(now_ + entry.interval, entry);
            }
            entry.task();
        }
        now_ = until;
    }
    // Runs the tasks due now (and those they post for now) until none is left.
    void drain() { advance(Milliseconds(0)); }
    // Sets the clock back by delta, as a wall clock may be; queued tasks keep their due times.
    void stepBack(Milliseconds delta) { now_ -= delta; }
    // Every delay requested through after(), in order.
    const std::vector<Milliseconds>& requestedDelays() const { return requestedDelays_; }

private:
    struct Entry {
        std::function<void()> task;
        Milliseconds interval{0};       // timers only
        std::shared_ptr<bool> active{}; // timers only: cleared when the timer stops
    };
    struct VirtualTimer : Timer {
        explicit VirtualTimer(std::shared_ptr<bool> a)
            : active(std::move(a)) {}
        ~VirtualTimer() override { invalidate(); }
        void invalidate() override { *active = false; }
        std::shared_ptr<bool> active;
    };

    // A realistic wall-clock start, far from the epoch that stands for "the distant past".
    TimePoint now_ = TimePoint{} + std::chrono::hours(24 * 365 * 56);
    std::multimap<TimePoint, Entry> queue_; // equal times keep their order
    std::vector<Milliseconds> requestedDelays_;
};

} // namespace quillbar::test
