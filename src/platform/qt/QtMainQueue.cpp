#include "platform/qt/QtMainQueue.h"

#include <QMetaObject>
#include <QPointer>
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
    : context_(std::make_unique<QObject>()) {}

QtMainQueue::~QtMainQueue() = default;

TimePoint QtMainQueue::now() const {
    return WallClock::now();
}

void QtMainQueue::after(Milliseconds delay, std::function<void()> task) {
    QTimer::singleShot(delay, Qt::PreciseTimer, context_.get(), std::move(task));
}

void QtMainQueue::post(std::function<void()> task) {
    QMetaObject::invokeMethod(context_.get(), std::move(task), Qt::QueuedConnection);
}

std::unique_ptr<Timer> QtMainQueue::repeat(Milliseconds interval, Milliseconds tolerance,
                                           std::function<void()> task) {
    const auto type =
        toleranceAllowsCoarse(interval, tolerance) ? Qt::CoarseTimer : Qt::PreciseTimer;
    return std::make_unique<QtTimer>(context_.get(), interval, type, std::move(task));
}

} // namespace quillbar
