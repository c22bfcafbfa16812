// SPDX-License-Identifier: GPL-3.0-or-later
#include "VirtualMainQueue.h"

namespace quillbar::test {

namespace {

class VirtualTimer : public Timer {
public:
    explicit VirtualTimer(std::shared_ptr<bool> active)
        : active_(std::move(active)) {}
    ~VirtualTimer() override { invalidate(); }
    void invalidate() override { *active_ = false; }

private:
    std::shared_ptr<bool> active_;
};

} // namespace

void VirtualMainQueue::after(Milliseconds delay, std::function<void()> task) {
    requestedDelays_.push_back(delay);
    schedule(now_ + delay, {std::move(task)});
}

std::unique_ptr<Timer> VirtualMainQueue::repeat(Milliseconds interval, Milliseconds tolerance,
                                                std::function<void()> task) {
    timers_.emplace_back(interval, tolerance);
    auto active = std::make_shared<bool>(true);
    schedule(now_ + interval, {std::move(task), interval, active});
    return std::make_unique<VirtualTimer>(active);
}

void VirtualMainQueue::advance(Milliseconds delta) {
    const TimePoint until = now_ + delta;
    while (!queue_.empty() && queue_.begin()->first <= until) {
        auto node = queue_.extract(queue_.begin());
        Entry entry = std::move(node.mapped());
        now_ = node.key();
        if (entry.active && !*entry.active) {
            continue;
        }
        if (entry.active) {
            schedule(now_ + entry.interval, entry);
        }
        entry.task();
    }
    now_ = until;
}

} // namespace quillbar::test
