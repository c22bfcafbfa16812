// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Platform.h"

namespace quillbar {

// Hands the keyboard focus from the invisible anchor to the topmost ordinary window of another
// application on the desktop that is now shown.
class FocusYielder {
public:
    explicit FocusYielder(Platform& platform)
        : platform_(platform) {}

    // Activates the owner of the frontmost ordinary window not owned by this process, if it still
    // runs; does nothing when there is no such window or the window list cannot be read.
    void yieldFocusToTopWindowOnCurrentSpace() const;

private:
    Platform& platform_;
};

} // namespace quillbar
