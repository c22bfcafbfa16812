#pragma once

#include "platform/Keyboard.h"

#include <xcb/xcb.h>

#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace quillbar {

// Synthetic keystrokes through XTEST on a connection of their own, so that posting from a
// background thread never touches the main thread's connection. Virtual key codes 59, 123 and 124
// stand for Control_L, Left and Right and go through the server's current keyboard mapping.
class X11Keyboard final : public Keyboard {
public:
    // Connects to displayName; trusted tells whether the server has XTEST.
    X11Keyboard(const std::string& displayName, bool trusted);
    ~X11Keyboard() override;
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    // Whether XTEST is present.
    bool isProcessTrusted() override { return trusted_; }
    std::string permissionName() const override { return "XTEST"; }
    // An event for a known virtual key code that the keyboard mapping can produce, else nullopt.
    std::optional<KeyEvent> createKeyEvent(std::uint16_t keyCode, bool keyDown) override;
    // Sends the key press or release; the modifier state follows the Control key itself.
    void post(const KeyEvent& event) override;
    // Sleeps the calling thread.
    void pause(std::chrono::microseconds duration) override;

private:
    std::optional<xcb_keycode_t> keycodeFor(std::uint16_t virtualKeyCode);

    bool trusted_;
    std::mutex mutex_; // the key code cache; xcb itself is thread-safe
    xcb_connection_t* connection_;
    std::map<std::uint16_t, xcb_keycode_t> keycodes_;
};

} // namespace quillbar
