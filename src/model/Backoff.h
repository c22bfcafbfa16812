// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <chrono>

namespace quillbar {

// The growing pause between tries to reach something that went away: it doubles from the first
// pause up to the longest, and starts from the first again once the thing answered.
class Backoff {
public:
    constexpr Backoff(std::chrono::milliseconds first, std::chrono::milliseconds longest)
        : first_(first)
        , longest_(std::max(first, longest)) {}

    // The pause before the next try: the first after a reset, then twice the last, at most the
    // longest.
    constexpr std::chrono::milliseconds next() {
        last_ = std::clamp(last_ * 2, first_, longest_);
        return last_;
    }
    // The next try waits the first pause again.
    constexpr void reset() { last_ = std::chrono::milliseconds{0}; }

private:
    std::chrono::milliseconds first_;
    std::chrono::milliseconds longest_;
    std::chrono::milliseconds last_{0};
};

} // namespace quillbar
