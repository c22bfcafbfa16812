// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Published.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillbar {
namespace {

TEST(Published, ASetInsideAHandlerIsStoredAndToldAtOnceWhileTheOuterGoesOnWithItsOwnValue) {
    Published<std::vector<int>> published;
    std::vector<std::string> heard;
    const auto describe = [&](const char* who, const std::vector<int>& v) {
        heard.push_back(std::string(who) + ":" + std::to_string(v.size()) + "/" +
                        std::to_string(published.value().size()));
    };
    auto first = published.subscribe([&](const std::vector<int>& v) {
        describe("first", v);
        if (v.size() == 1) {
            published.set({1, 2});
        }
    });
    auto second = published.subscribe([&](const std::vector<int>& v) { describe("second", v); });
    published.set({1});
    EXPECT_EQ(heard,
              (std::vector<std::string>{"first:1/1", "first:2/2", "second:2/2", "second:1/2"}));
    EXPECT_EQ(published.value(), (std::vector<int>{1, 2}));
}

TEST(Subscription, EndsOnDestroyReassignOrCancelEvenAfterThePublisher) {
    auto published = std::make_unique<Published<int>>();
    std::vector<int> heard;
    (void)published->subscribe([&](const int& v) { heard.push_back(-v); }); // destroyed at once
    Subscription kept = published->subscribe([&](const int& v) { heard.push_back(v); });
    published->set(1);
    Subscription moved = std::move(kept);
    published->set(2);
    moved = published->subscribe([&](const int& v) { heard.push_back(10 * v); }); // drops the old
    published->set(3);
    EXPECT_EQ(heard, (std::vector<int>{1, 2, 30}));
    published.reset();
    moved.cancel(); // must not touch freed memory (checked under ASan)
    moved.cancel();
}

TEST(Subscription, HandlersMayChangeSubscriptionsDuringAnnouncement) {
    Published<int> published;
    std::vector<std::string> calls;
    std::optional<Subscription> victim, late, self;
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
    published.set(2);
    EXPECT_EQ(calls, (std::vector<std::string>{"killer", "self", "killer", "late"}));
}

} // namespace
} // namespace quillbar
