// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Timer.h"

#include <chrono>
#include <functional>
#include <memory>

namespace quillbar {

using WallClock = std::chrono::system_clock;
using TimePoint = WallClock::time_point;
using Milliseconds = std::chrono::milliseconds;

// The main thread's queue and its clock. Every delay of the program goes through it, so tests can
// run it on a virtual clock.
class MainQueue {
public:
    virtual ~MainQueue() = default;

    // Wall-clock time now.
    virtual TimePoint now() const = 0;
    // Runs task on the main queue once delay has passed.
    virtual void after(Milliseconds delay, std::function<void()> task) = 0;
    // Runs task on a later turn of the main queue, never inside the caller.
    virtual void post(std::function<void()> task) = 0;
    // Runs task every interval (the queue may defer a firing by up to tolerance) until the timer
    // stops.
    virtual std::unique_ptr<Timer> repeat(Milliseconds interval, Milliseconds tolerance,
                                          std::function<void()> task) = 0;
};

} // namespace quillbar
