// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtMainQueue.h"

#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <QTimer>

namespace quillbar {

namespace {

// A repeating QTimer; the task stops with the timer.
class QtTimer final : public Timer {
public:
    QtTimer(QObject* context, Milliseconds interval, Qt::TimerType type, std::function<void()> task)
        : timer_(new QTimer(context)) {
        timer_->setTimerType(type);
        timer_->setInterval(interval);
        QObject::connect(timer_, &QTimer::timeout, timer_, std::move(task));
        timer_->start();
    }
    ~QtTimer() override { invalidate(); }

    void invalidate() override {
        // The queue's context may already have taken the QTimer with it.
        if (timer_) {
            delete timer_.data();
        }
    }

private:
    QPointer<QTimer> timer_;
};

// Qt's coarse timers may fire up to 5% of the interval late.
bool toleranceAllowsCoarse(Milliseconds interval, Milliseconds tolerance) {
    return tolerance.count() * 20 >= interval.count();
}

} // namespace

QtMainQueue::QtMainQueue()
    : context_(std::make_unique<QObject>())
    , runPosted_(new QTimer(context_.get())) {
    runPosted_->setSingleShot(true);
    runPosted_->setInterval(0);
    QObject::connect(runPosted_, &QTimer::timeout, context_.get(), [this] { runPosted(); });
}

QtMainQueue::~QtMainQueue() {
    *alive_ = false;
}

TimePoint QtMainQueue::now() const {
    return WallClock::now();
}

void QtMainQueue::after(Milliseconds delay, std::function<void()> task) {
    QTimer::singleShot(delay, Qt::PreciseTimer, context_.get(), std::move(task));
}

void QtMainQueue::post(std::function<void()> task) {
    {
        const std::lock_guard lock(postedMutex_);
        posted_.push_back(std::move(task));
    }
    if (QThread::currentThread() == context_->thread()) {
        if (!runPosted_->isActive()) {
            runPosted_->start();
        }
    } else {
        // Only the loop's thread may start its timer; a posted event runs the queue instead.
        QMetaObject::invokeMethod(
            context_.get(), [this] { runPosted(); }, Qt::QueuedConnection);
    }
}

std::optional<std::function<void()>> QtMainQueue::nextPosted() {
    const std::lock_guard lock(postedMutex_);
    if (posted_.empty()) {
        return std::nullopt;
    }
    std::function<void()> task = std::move(posted_.front());
    posted_.pop_front();
    return task;
}

std::size_t QtMainQueue::postedCount() {
    const std::lock_guard lock(postedMutex_);
    return posted_.size();
}

void QtMainQueue::runPosted() {
    // The tasks there now, one by one; those they post run on a later turn, as posted events
    // would. The rest stay queued while a task runs, so that an event loop it runs (a modal
    // dialog) runs them in order too.
    const std::shared_ptr<bool> alive = alive_;
    for (std::size_t due = postedCount(); due > 0; --due) {
        std::optional<std::function<void()>> task = nextPosted();
        if (!task) {
            break;
        }
        if (postedCount() > 0) {
            runPosted_->start();
        }
        (*task)();
        if (!*alive) {
            return; // a task took the queue away, and the tasks after it with it
        }
    }
    if (postedCount() == 0) {
        runPosted_->stop();
    } else if (!runPosted_->isActive()) {
        runPosted_->start();
    }
}

std::unique_ptr<Timer> QtMainQueue::repeat(Milliseconds interval, Milliseconds tolerance,
                                           std::function<void()> task) {
    const auto type =
        toleranceAllowsCoarse(interval, tolerance) ? Qt::CoarseTimer : Qt::PreciseTimer;
    return std::make_unique<QtTimer>(context_.get(), interval, type, std::move(task));
}

} // namespace quillbar
