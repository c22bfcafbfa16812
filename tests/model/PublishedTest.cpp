#include "model/Published.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

namespace quillbar {
namespace {

TEST(Published, AnnouncesBeforeStoring) {
    Published<int> published(1);
    std::vector<std::pair<int, int>> seen; // (value() during announcement, announced value)
    auto subscription =
        published.subscribe([&](const int& v) { seen.emplace_back(published.value(), v); });
    published.set(2);
    published.set(2); // equal values announce too
    EXPECT_FALSE(published.setIfChanged(2));
    EXPECT_TRUE(published.setIfChanged(3));
    EXPECT_EQ(published.value(), 3);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}, {2, 3}}));
}

TEST(Subscription, CancelDestroyAndMoveControlDelivery) {
    Published<int> published;
    int first = 0;
    int second = 0;
    Subscription a = published.subscribe([&](const int&) { ++first; });
    {
        Subscription b = published.subscribe([&](const int&) { ++second; });
        published.set(1);
    }
    Subscription moved = std::move(a);
    published.set(2);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 1);

    moved = published.subscribe([&](const int&) { second += 10; }); // drops the old handler
    published.set(3);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 11);

    moved.cancel();
    moved.cancel();
    published.set(4);
    EXPECT_EQ(second, 11);
}

TEST(Subscription, HandlersMayChangeSubscriptionsDuringAnnouncement) {
    Published<int> published;
    std::vector<std::string> calls;
    std::optional<Subscription> victim;
    std::optional<Subscription> late;
    std::optional<Subscription> self;
    auto killer = published.subscribe([&](const int&) {
        calls.push_back("killer");
        victim.reset();
        if (!late) {
            late = published.subscribe([&](const int&) { calls.push_back("late"); });
        }
    });
    victim = published.subscribe([&](const int&) { calls.push_back("victim"); });
    self = published.subscribe([&](const int&) {
        calls.push_back("self");
        self.reset(); // destroys the handler that is running
    });

    published.set(1);
    EXPECT_EQ(calls, (std::vector<std::string>{"killer", "self"}));
    calls.clear();
    published.set(2);
    EXPECT_EQ(calls, (std::vector<std::string>{"killer", "late"}));
}

TEST(Subscription, MayOutliveThePublisher) {
    auto published = std::make_unique<Published<int>>();
    Subscription subscription = published->subscribe([](const int&) {});
    published.reset();
    subscription.cancel(); // must not touch freed memory (checked under ASan)
}

} // namespace
} // namespace quillbar
