#pragma once

#include "platform/MainQueue.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quillbar::test {

// A main queue on a virtual clock. Nothing runs until the test advances time or drains the queue, and
// every task that ran is recorded with its time, so tests can see exactly which work ran when.
class VirtualMainQueue : public MainQueue {
public:
    enum class Kind { Posted, Delayed, Timer };
    struct Ran {
        Milliseconds at; // since the queue's start
        Kind kind;
    };
    struct TimerInfo {
        Milliseconds interval;
        Milliseconds tolerance;
    };

    VirtualMainQueue();

    TimePoint now() const override { return now_; }
    void after(Milliseconds delay, std::function<void()> task) override;
    void post(std::function<void()> task) override;
    std::unique_ptr<Timer> repeat(Milliseconds interval, Milliseconds tolerance,
                                  std::function<void()> task) override;

    // Moves the clock forward by delta, running every task that falls due, in time order.
    void advance(Milliseconds delta);
    // Runs the tasks due now (and those they post for now) until none is left.
    void drain() { advance(Milliseconds(0)); }
    // Time since the queue's start.
    Milliseconds elapsed() const;
    // Tasks waiting, timers included.
    std::size_t pendingCount() const { return queue_.size(); }
    // Every task that ran, in order.
    const std::vector<Ran>& history() const { return history_; }
    // Every delay requested through after(), in order.
    const std::vector<Milliseconds>& requestedDelays() const { return requestedDelays_; }
    // Every timer created, in order.
    const std::vector<TimerInfo>& timers() const { return timers_; }
    // The start of the virtual clock.
    TimePoint start() const { return start_; }

private:
    struct Entry {
        std::function<void()> task;
        Kind kind;
        Milliseconds interval{0}; // timers only
        std::shared_ptr<bool> active;
    };
    void schedule(TimePoint due, Entry entry);

    TimePoint start_;
    TimePoint now_;
    std::uint64_t sequence_ = 0;
    std::multimap<std::pair<TimePoint, std::uint64_t>, Entry> queue_;
    std::vector<Ran> history_;
    std::vector<Milliseconds> requestedDelays_;
    std::vector<TimerInfo> timers_;
};

} // namespace quillbar::test
