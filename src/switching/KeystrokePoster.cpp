// SPDX-License-Identifier: GPL-3.0-or-later
#include "switching/KeystrokePoster.h"

#include <chrono>

namespace quillbar {

namespace {

using std::chrono::microseconds;

// The window manager needs the modifier to settle before and after the arrows, and a moment between
// desktops to start each transition.
constexpr microseconds kModifierPause{20000};
constexpr microseconds kKeyHoldPause{40000};
constexpr microseconds kBetweenHopsPause{150000};

} // namespace

void KeystrokePoster::postSpaceSwitchKeystrokes(std::int64_t hops, std::uint16_t keyCode) const {
    post(KeyEvent::kControlKeyCode, true, KeyEvent::kControlFlag);
    keyboard_.pause(kModifierPause);
    for (std::int64_t hop = 0; hop < hops; ++hop) {
        post(keyCode, true, KeyEvent::kControlFlag);
        keyboard_.pause(kKeyHoldPause);
        post(keyCode, false, KeyEvent::kControlFlag);
        if (hop + 1 < hops) {
            keyboard_.pause(kBetweenHopsPause);
        }
    }
    keyboard_.pause(kModifierPause);
    // Released with empty flags so that no Control state lingers after the last arrow.
    post(KeyEvent::kControlKeyCode, false, 0);
}

void KeystrokePoster::post(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) const {
    std::optional<KeyEvent> event = keyboard_.createKeyEvent(keyCode, keyDown);
    if (!event) {
        return;
    }
    event->flags = flags;
    keyboard_.post(*event);
}

} // namespace quillbar
