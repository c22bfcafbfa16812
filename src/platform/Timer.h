// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillbar {

// A repeating timer on the main queue; it stops when invalidated or destroyed.
class Timer {
public:
    virtual ~Timer() = default;

    // Stops the timer; later calls do nothing.
    virtual void invalidate() = 0;
};

} // namespace quillbar
