// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/KeyEvent.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace quillbar {

// Synthetic keystrokes. Everything but isProcessTrusted() may be called from a background thread.
class Keyboard {
public:
    virtual ~Keyboard() = default;

    // Whether the process may post synthetic keyboard events.
    virtual bool isProcessTrusted() = 0;
    // The platform's own word for that permission, as log lines name it.
    virtual std::string permissionName() const = 0;
    // A key event for the virtual key code, or nullopt when it cannot be created.
    virtual std::optional<KeyEvent> createKeyEvent(std::uint16_t keyCode, bool keyDown) = 0;
    // Posts the event with its flags.
    virtual void post(const KeyEvent& event) = 0;
    // Blocks the calling thread for the pause between keystrokes.
    virtual void pause(std::chrono::microseconds duration) = 0;
};

} // namespace quillbar
