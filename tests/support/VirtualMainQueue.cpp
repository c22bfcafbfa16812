#include "VirtualMainQueue.h"

#include <chrono>

namespace quillbar::test {

namespace {

class VirtualTimer : public Timer {
public:
    explicit VirtualTimer(std::shared_ptr<bool> active) : active_(std::move(active)) {}
    ~VirtualTimer() override { invalidate(); }
    void invalidate() override { *active_ = false; }

private:
    std::shared_ptr<bool> active_;
};

} // namespace

// A realistic wall-clock start, far from the epoch that stands for "the distant past".
VirtualMainQueue::VirtualMainQueue()
    : start_(TimePoint{} + std::chrono::hours(24 * 365 * 56)), now_(start_) {}

void VirtualMainQueue::after(Milliseconds delay, std::function<void()> task) {
    requestedDelays_.push_back(delay);
    schedule(now_ + delay, Entry{std::move(task), Kind::Delayed, Milliseconds(0), nullptr});
}

void VirtualMainQueue::post(std::function<void()> task) {
    schedule(now_, Entry{std::move(task), Kind::Posted, Milliseconds(0), nullptr});
}

std::unique_ptr<Timer> VirtualMainQueue::repeat(Milliseconds interval, Milliseconds tolerance,
                                                std::function<void()> task) {
    timers_.push_back({interval, tolerance});
    auto active = std::make_shared<bool>(true);
    schedule(now_ + interval, Entry{std::move(task), Kind::Timer, interval, active});
    return std::make_unique<VirtualTimer>(active);
}

void VirtualMainQueue::schedule(TimePoint due, Entry entry) {
    queue_.emplace(std::make_pair(due, sequence_++), std::move(entry));
}

void VirtualMainQueue::advance(Milliseconds delta) {
    const TimePoint until = now_ + delta;
    while (!queue_.empty() && queue_.begin()->first.first <= until) {
        auto node = queue_.extract(queue_.begin());
        Entry entry = std::move(node.mapped());
        now_ = node.key().first;
        if (entry.active && !*entry.active) {
            continue;
        }
        if (entry.kind == Kind::Timer) {
            schedule(now_ + entry.interval, entry);
        }
        history_.push_back({elapsed(), entry.kind});
        entry.task();
    }
    now_ = until;
}

Milliseconds VirtualMainQueue::elapsed() const {
    return std::chrono::duration_cast<Milliseconds>(now_ - start_);
}

} // namespace quillbar::test
