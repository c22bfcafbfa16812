// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace quillbar {

// A tiny, practically invisible window that keeps a desktop reachable. The backend gives it its
// fixed properties (2 x 2, undecorated, out of task lists, nearly transparent, ignores the mouse)
// and shows it.
class AnchorWindow {
public:
    virtual ~AnchorWindow() = default;

    // The window server's number for this window.
    virtual std::int64_t windowNumber() const = 0;
    // Closes the window; later calls do nothing.
    virtual void close() = 0;
    // Makes the window key and brings it (and the desktop that holds it) to the front.
    virtual void makeKeyAndOrderFront() = 0;
};

} // namespace quillbar
