#pragma once

#include "platform/MainQueue.h"

#include <QObject>

#include <memory>

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
    // Runs task on a later turn of the event loop; safe to call from any thread.
    void post(std::function<void()> task) override;
    // A QTimer firing task every interval; coarse (may slip by about 5%) when tolerance allows it.
    std::unique_ptr<Timer> repeat(Milliseconds interval, Milliseconds tolerance,
                                  std::function<void()> task) override;

private:
    // Owns every pending task: destroying it drops them.
    std::unique_ptr<QObject> context_;
};

} // namespace quillbar
