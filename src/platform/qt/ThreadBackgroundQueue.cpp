// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/ThreadBackgroundQueue.h"

namespace quillbar {

ThreadBackgroundQueue::ThreadBackgroundQueue() = default;

bool ThreadBackgroundQueue::started() const {
    std::lock_guard lock(mutex_);
    return worker_.joinable();
}

ThreadBackgroundQueue::~ThreadBackgroundQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (worker_.joinable()) {
        worker_.join();
    }
}

void ThreadBackgroundQueue::run(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
        if (!worker_.joinable()) {
            // Started by the first task: most runs never need it, and an idle thread still
            // costs its stack and the allocator's memory for it.
            worker_ = std::thread([this] { work(); });
        }
    }
    wake_.notify_one();
}

void ThreadBackgroundQueue::work() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            if (tasks_.empty()) {
                return; // stopping, and nothing left to finish
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

} // namespace quillbar
