#pragma once

#include "platform/Keyboard.h"

#include <thread>

namespace quillbar {

// No synthetic keystrokes: KWin switches desktops when asked over the bus, so the keystroke way
// is never needed and is reported as not allowed.
class KWinKeyboard final : public Keyboard {
public:
    // Always false.
    bool isProcessTrusted() override { return false; }
    // Nothing.
    std::optional<KeyEvent> createKeyEvent(std::uint16_t, bool) override { return std::nullopt; }
    // Does nothing.
    void post(const KeyEvent&) override {}
    // Sleeps on the calling (background) thread.
    void pause(std::chrono::microseconds duration) override {
        std::this_thread::sleep_for(duration);
    }
};

} // namespace quillbar
