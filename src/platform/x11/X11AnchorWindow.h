#pragma once

#include "platform/AnchorWindow.h"
#include "platform/Rect.h"

#include <xcb/xcb.h>

#include <chrono>
#include <memory>

namespace quillbar {

class X11Connection;

// A 2 x 2 managed top-level window that keeps its desktop reachable: undecorated, out of the
// taskbar and pager, nearly transparent where a compositor honours opacity, class
// "quillbar-anchor".
class X11AnchorWindow final : public AnchorWindow {
public:
    static constexpr const char* kWindowClass = "quillbar-anchor";
    static constexpr double kOpacity = 0.05;
    // How long creation waits for the window manager to take the window on.
    static constexpr std::chrono::milliseconds kManageTimeout{250};

    // Creates and maps the window at rect, and waits until a running window manager manages it;
    // nullptr when the window cannot be made.
    static std::unique_ptr<X11AnchorWindow> create(std::shared_ptr<X11Connection> connection,
                                                   const Rect& rect);
    // Closes the window.
    ~X11AnchorWindow() override;
    X11AnchorWindow(const X11AnchorWindow&) = delete;
    X11AnchorWindow& operator=(const X11AnchorWindow&) = delete;

    // The X window id.
    std::int64_t windowNumber() const override { return window_; }
    // Destroys the window; later calls do nothing.
    void close() override;
    // Shows the anchor's desktop, then asks the window manager to activate the anchor.
    void makeKeyAndOrderFront() override;

private:
    X11AnchorWindow(std::shared_ptr<X11Connection> connection, xcb_window_t window);
    void setProperties(const Rect& rect);
    void waitUntilManaged();

    std::shared_ptr<X11Connection> connection_;
    xcb_window_t window_;
    bool closed_ = false;
};

} // namespace quillbar
