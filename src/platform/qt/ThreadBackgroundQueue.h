// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/BackgroundQueue.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quillbar {

// One worker thread, started by the first task, that runs tasks in the order they were queued.
class ThreadBackgroundQueue final : public BackgroundQueue {
public:
    ThreadBackgroundQueue();
    // Finishes the tasks already queued, then joins the worker.
    ~ThreadBackgroundQueue() override;
    ThreadBackgroundQueue(const ThreadBackgroundQueue&) = delete;
    ThreadBackgroundQueue& operator=(const ThreadBackgroundQueue&) = delete;

    // Queues task for the worker; safe from any thread.
    void run(std::function<void()> task) override;
    // Whether the worker thread exists (a task has been queued).
    bool started() const;

private:
    void work();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::thread worker_; // made by the first run(), under mutex_
};

} // namespace quillbar
