#include "VirtualMainQueue.h"
#include "platform/qt/LocalNotificationCenter.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/qt/ThreadBackgroundQueue.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace quillbar {
namespace {

using Object = std::optional<std::string>;

TEST(LocalNotificationCenterTest, DeliversOnALaterTurnToObserversOfTheName) {
    test::VirtualMainQueue queue;
    LocalNotificationCenter center(queue);
    std::vector<Object> heard;
    int others = 0;
    center.addObserver("A", [&](const Object& object) { heard.push_back(object); });
    center.addObserver("B", [&](const Object&) { ++others; });

    center.postNotification("A", "3");
    center.postNotification("A");
    EXPECT_TRUE(heard.empty()); // never inside the poster
    queue.drain();
    EXPECT_EQ(heard, (std::vector<Object>{"3", std::nullopt}));
    EXPECT_EQ(others, 0);
}

TEST(LocalNotificationCenterTest, RemovedObserversAndGoneCentersHearNothing) {
    test::VirtualMainQueue queue;
    int heard = 0;
    {
        LocalNotificationCenter center(queue);
        const auto token = center.addObserver("A", [&](const Object&) { ++heard; });
        // A handler that removes a later one before it runs: that one stays silent.
        NotificationCenter::Token later = 0;
        center.addObserver("B", [&](const Object&) { center.removeObserver(later); });
        later = center.addObserver("B", [&](const Object&) { ++heard; });

        center.postNotification("A");
        center.removeObserver(token); // posted, not yet delivered
        center.postNotification("B");
        queue.drain();
        EXPECT_EQ(heard, 0);

        center.addObserver("A", [&](const Object&) { ++heard; });
        center.postNotification("A");
    } // the center goes before its delivery
    queue.drain();
    EXPECT_EQ(heard, 0);
}

TEST(ThreadBackgroundQueueTest, RunsTasksInOrderOffTheCallerAndFinishesThemBeforeLeaving) {
    std::vector<int> order;
    std::atomic<bool> offCaller{true};
    const auto caller = std::this_thread::get_id();
    {
        ThreadBackgroundQueue queue;
        for (int i = 0; i < 50; ++i) {
            queue.run([&, i] {
                order.push_back(i);
                offCaller = offCaller && std::this_thread::get_id() != caller;
            });
        }
    }
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(order[i], i);
    }
    EXPECT_TRUE(offCaller);
}

// Spins the event loop until done says so (the test's own timeout guards it).
void runUntil(const std::function<bool()>& done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

TEST(QtMainQueueTest, PostedAndDelayedTasksRunOnTheLoopInOrder) {
    QtMainQueue queue;
    std::vector<std::string> ran;
    queue.after(Milliseconds(30), [&] { ran.push_back("after 30"); });
    queue.after(Milliseconds(1), [&] { ran.push_back("after 1"); });
    queue.post([&] { ran.push_back("post 1"); });
    queue.post([&] { ran.push_back("post 2"); });
    EXPECT_TRUE(ran.empty());
    const auto started = queue.now();
    runUntil([&] { return ran.size() == 4; });
    const auto at = [&](const std::string& task) {
        return std::find(ran.begin(), ran.end(), task);
    };
    EXPECT_LT(at("post 1"), at("post 2"));
    EXPECT_LT(at("after 1"), at("after 30"));
    EXPECT_EQ(ran.back(), "after 30");
    EXPECT_GE(queue.now() - started, Milliseconds(30));
}

TEST(QtMainQueueTest, RepeatingTimerStopsWhenInvalidatedAndPendingTasksDieWithTheQueue) {
    int firings = 0;
    bool ranAfterQueueWent = false;
    {
        QtMainQueue queue;
        auto timer = queue.repeat(Milliseconds(1), Milliseconds(0), [&] { ++firings; });
        runUntil([&] { return firings >= 3; });
        timer->invalidate();
        timer->invalidate();
        const int stoppedAt = firings;
        bool flushed = false;
        queue.after(Milliseconds(5), [&] { flushed = true; });
        runUntil([&] { return flushed; });
        EXPECT_EQ(firings, stoppedAt);
        queue.post([&] { ranAfterQueueWent = true; });
        // A timer that outlives its queue is harmless.
        auto orphan = queue.repeat(Milliseconds(1), Milliseconds(1000), [&] { ++firings; });
        timer = std::move(orphan);
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(ranAfterQueueWent);
}

} // namespace
} // namespace quillbar
