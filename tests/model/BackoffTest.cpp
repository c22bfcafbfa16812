// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Backoff.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillbar {
namespace {

using std::chrono::milliseconds;

std::vector<long> pauses(Backoff& backoff, int count) {
    std::vector<long> result;
    for (int i = 0; i < count; ++i)
        result.push_back(static_cast<long>(backoff.next().count()));
    return result;
}

TEST(BackoffTest, DoublesFromTheFirstPauseToTheLongestAndStartsOverAfterAReset) {
    Backoff backoff(milliseconds{50}, milliseconds{300});
    EXPECT_EQ(pauses(backoff, 5), (std::vector<long>{50, 100, 200, 300, 300}));
    backoff.reset();
    EXPECT_EQ(pauses(backoff, 2), (std::vector<long>{50, 100}));
    // A longest pause shorter than the first never makes a try come sooner than the first.
    Backoff inverted(milliseconds{1000}, milliseconds{10});
    EXPECT_EQ(pauses(inverted, 2), (std::vector<long>{1000, 1000}));
}

} // namespace
} // namespace quillbar
