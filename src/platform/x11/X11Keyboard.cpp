#include "platform/x11/X11Keyboard.h"

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <thread>

namespace quillbar {

namespace {

constexpr xcb_keysym_t kControlL = 0xffe3;
constexpr xcb_keysym_t kLeft = 0xff51;
constexpr xcb_keysym_t kRight = 0xff53;

std::optional<xcb_keysym_t> keysymFor(std::uint16_t virtualKeyCode) {
    switch (virtualKeyCode) {
    case KeyEvent::kControlKeyCode:
        return kControlL;
    case KeyEvent::kLeftArrowKeyCode:
        return kLeft;
    case KeyEvent::kRightArrowKeyCode:
        return kRight;
    default:
        return std::nullopt;
    }
}

} // namespace

X11Keyboard::X11Keyboard(const std::string& displayName, bool trusted)
    : trusted_(trusted)
    , connection_(xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), nullptr)) {}

X11Keyboard::~X11Keyboard() {
    xcb_disconnect(connection_);
}

std::optional<xcb_keycode_t> X11Keyboard::keycodeFor(std::uint16_t virtualKeyCode) {
    const auto keysym = keysymFor(virtualKeyCode);
    if (!keysym || xcb_connection_has_error(connection_)) {
        return std::nullopt;
    }
    // The mapping is read afresh for every event we create, so a changed layout is picked up.
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
    if (!symbols) {
        return std::nullopt;
    }
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, *keysym);
    std::optional<xcb_keycode_t> keycode;
    if (codes && codes[0] != XCB_NO_SYMBOL) {
        keycode = codes[0];
    }
    std::free(codes);
    xcb_key_symbols_free(symbols);
    return keycode;
}

std::optional<KeyEvent> X11Keyboard::createKeyEvent(std::uint16_t keyCode, bool keyDown) {
    const auto keycode = keycodeFor(keyCode);
    if (!keycode) {
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    keycodes_[keyCode] = *keycode;
    return KeyEvent{keyCode, keyDown, 0};
}

void X11Keyboard::post(const KeyEvent& event) {
    xcb_keycode_t keycode = 0;
    {
        std::lock_guard lock(mutex_);
        auto found = keycodes_.find(event.keyCode);
        if (found == keycodes_.end()) {
            return; // never created, so never postable
        }
        keycode = found->second;
    }
    xcb_test_fake_input(connection_, event.keyDown ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode,
                        XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection_);
}

void X11Keyboard::pause(std::chrono::microseconds duration) {
    std::this_thread::sleep_for(duration);
}

} // namespace quillbar
