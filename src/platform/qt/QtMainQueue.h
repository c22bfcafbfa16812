// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/MainQueue.h"

#include <QObject>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QTimer;

namespace quillbar {

// The main queue on QtCore's event loop of the thread that creates it. Tasks still pending when the
// queue is destroyed never run.
class QtMainQueue final : public MainQueue {
public:
    QtMainQueue();
    ~QtMainQueue() override;
    QtMainQueue(const QtMainQueue&) = delete;
    QtMainQueue& operator=(const QtMainQueue&) = delete;

    // Wall-clock time now.
    TimePoint now() const override;
    // Runs task on the event loop once delay has passed (precise for short delays).
    void after(Milliseconds delay, std::function<void()> task) override;
    // Runs task on a later turn of the event loop, after every task posted before it; safe to call
    // from any thread.
    void post(std::function<void()> task) override;
    // A QTimer firing task every interval; coarse (may slip by about 5%) when tolerance allows it.
    std::unique_ptr<Timer> repeat(Milliseconds interval, Milliseconds tolerance,
                                  std::function<void()> task) override;

private:
    void runPosted();
    std::optional<std::function<void()>> nextPosted();
    std::size_t postedCount();

    // Owns every pending task: destroying it drops them.
    std::unique_ptr<QObject> context_;
    // Posted tasks, in the order they came from any thread. The loop's own thread starts a zero
    // timer to run them: a posted event would wake the loop through its eventfd, a write and a
    // read for every task.
    std::mutex postedMutex_;
    std::deque<std::function<void()>> posted_;
    QTimer* runPosted_; // owned by context_
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace quillbar
