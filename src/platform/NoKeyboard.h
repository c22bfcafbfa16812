// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Keyboard.h"

namespace quillbar {

// The keyboard of a backend that switches directly: it never may post, and posts nothing.
class NoKeyboard : public Keyboard {
public:
    bool isProcessTrusted() override { return false; }
    std::string permissionName() const override { return "keystroke permission"; }
    std::optional<KeyEvent> createKeyEvent(std::uint16_t, bool) override { return std::nullopt; }
    void post(const KeyEvent&) override {}
    void pause(std::chrono::microseconds) override {}
};

} // namespace quillbar
