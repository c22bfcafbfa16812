// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace quillbar {

// A queue off the main thread for blocking work (keystroke posting). Tasks touch no main-thread
// state.
class BackgroundQueue {
public:
    virtual ~BackgroundQueue() = default;

    // Runs task soon on another thread.
    virtual void run(std::function<void()> task) = 0;
};

} // namespace quillbar
