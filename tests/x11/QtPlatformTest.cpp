// SPDX-License-Identifier: GPL-3.0-or-later
#include "VirtualMainQueue.h"
#include "platform/qt/LocalNotificationCenter.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/qt/ThreadBackgroundQueue.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <ranges>
#include <thread>

namespace quillbar {
namespace {

using Object = std::optional<std::string>;
using Names = std::vector<std::string>;

TEST(LocalNotificationCenterTest, DeliversLaterOnlyToObserversStillThere) {
    test::VirtualMainQueue queue;
    std::vector<Object> heard;
    {
        LocalNotificationCenter center(queue);
        center.addObserver("A", [&](const Object& object) { heard.push_back(object); });
        const auto removed = center.addObserver("A", [&](const Object&) { heard.push_back("x"); });
        // A handler that removes a later one before it runs: that one stays silent.
        NotificationCenter::Token later = 0;
        center.addObserver("B", [&](const Object&) { center.removeObserver(later); });
        later = center.addObserver("B", [&](const Object&) { heard.push_back("y"); });
        center.postNotification("A", "3");
        center.postNotification("A");
        center.removeObserver(removed); // posted, not yet delivered
        center.postNotification("B");
        EXPECT_TRUE(heard.empty()); // never inside the poster
        queue.drain();
        EXPECT_EQ(heard, (std::vector<Object>{"3", std::nullopt}));
        center.postNotification("A");
    } // the center goes before its delivery
    queue.drain();
    EXPECT_EQ(heard.size(), 2u);
}

TEST(ThreadBackgroundQueueTest, RunsTasksInOrderOffTheCallerAndFinishesThemBeforeLeaving) {
    std::vector<int> order;
    bool offCaller = true;
    const auto caller = std::this_thread::get_id();
    {
        ThreadBackgroundQueue queue;
        EXPECT_FALSE(queue.started()); // no thread until there is work
        for (int i = 0; i < 50; ++i)
            queue.run([&, i] {
                order.push_back(i);
                offCaller = offCaller && std::this_thread::get_id() != caller;
            });
    }
    EXPECT_TRUE(std::ranges::equal(order, std::views::iota(0, 50)) && offCaller);
}

// Spins the event loop until done says so (the test's own timeout guards it).
void runUntil(const std::function<bool()>& done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

TEST(QtMainQueueTest, TasksRunOnTheLoopInOrderAndDieWithTheQueue) {
    Names ran;
    int firings = 0;
    {
        QtMainQueue queue;
        const auto started = queue.now();
        queue.after(Milliseconds(30), [&] { ran.push_back("after 30"); });
        queue.after(Milliseconds(1), [&] { ran.push_back("after 1"); });
        auto timer = queue.repeat(Milliseconds(1), Milliseconds(0), [&] { ++firings; });
        EXPECT_TRUE(ran.empty());
        runUntil([&] { return ran.size() == 2 && firings >= 3; });
        EXPECT_EQ(ran, (Names{"after 1", "after 30"}));
        // Qt counts timers in whole milliseconds on its own clock: one may fire a little early.
        EXPECT_GE(queue.now() - started, Milliseconds(28));
        timer->invalidate();
        timer->invalidate();
        const int stoppedAt = firings;
        queue.after(Milliseconds(5), [&] { ran.push_back("flushed"); });
        runUntil([&] { return ran.size() == 3; });
        EXPECT_EQ(firings, stoppedAt);
        queue.post([&] { ran.push_back("after the queue went"); });
        // A timer that outlives its queue is harmless.
        timer = queue.repeat(Milliseconds(1), Milliseconds(1000), [&] { ++firings; });
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(ran.size(), 3u);
}

// Posting order holds from any thread and in a task's own event loop; reset takes later tasks.
TEST(QtMainQueueTest, PostedTasksKeepTheirOrderThroughNestedLoopsAndThreads) {
    Names ran;
    auto queue = std::make_unique<QtMainQueue>();
    QEventLoop nested;
    queue->post([&] {
        ran.push_back("first");
        // A modal dialog's loop: the tasks already waiting run in it, in order.
        QTimer::singleShot(5000, &nested, &QEventLoop::quit); // only if they never do
        nested.exec();
        ran.push_back("first, after its loop");
        queue->post([&] { ran.push_back("posted by first"); });
    });
    queue->post([&] {
        ran.push_back("second");
        nested.quit();
    });
    runUntil([&] { return ran.size() == 4; });
    EXPECT_EQ(ran, (Names{"first", "second", "first, after its loop", "posted by first"}));

    ran.clear();
    queue->post([&] { ran.push_back("before"); });
    std::thread([&] { queue->post([&] { ran.push_back("from a thread"); }); }).join();
    queue->post([&] { ran.push_back("after"); });
    runUntil([&] { return ran.size() == 3; });
    EXPECT_EQ(ran, (Names{"before", "from a thread", "after"}));

    ran.clear();
    queue->post([&] { queue.reset(); });
    queue->post([&] { ran.push_back("after the queue went"); });
    runUntil([&] { return !queue; });
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents();
    EXPECT_TRUE(ran.empty());
}

} // namespace
} // namespace quillbar

// The Qt pieces need a QCoreApplication for their event loop.
int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
