#include "platform/x11/X11AnchorWindow.h"

#include "platform/x11/X11Answers.h"
#include "platform/x11/X11Connection.h"

#include <xcb/shape.h>
#include <xcb/xcb_icccm.h>

#include <unistd.h>

#include <array>
#include <climits>
#include <cmath>
#include <string>

namespace quillbar {

namespace {

constexpr std::uint16_t kSide = 2;
// _MOTIF_WM_HINTS: flags (decorations given), functions, decorations (none), input mode, status.
constexpr std::array<std::uint32_t, 5> kNoDecorations = {2, 0, 0, 0, 0};
constexpr auto kPagerSource = XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER;

std::string hostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return {};
    }
    return name;
}

} // namespace

std::unique_ptr<X11AnchorWindow> X11AnchorWindow::create(std::shared_ptr<X11Connection> connection,
                                                         const Rect& rect) {
    if (connection->hasError()) {
        return nullptr;
    }
    auto* xcb = connection->xcb();
    const xcb_window_t window = xcb_generate_id(xcb);
    const std::uint32_t mask = XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK;
    const std::array<std::uint32_t, 2> values = {connection->screen()->black_pixel,
                                                 XCB_EVENT_MASK_PROPERTY_CHANGE |
                                                     XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    auto cookie = xcb_create_window_checked(xcb, XCB_COPY_FROM_PARENT, window, connection->root(),
                                            static_cast<std::int16_t>(std::lround(rect.x)),
                                            static_cast<std::int16_t>(std::lround(rect.y)), kSide,
                                            kSide, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                                            connection->screen()->root_visual, mask, values.data());
    if (xcb_generic_error_t* error = xcb_request_check(xcb, cookie)) {
        std::free(error);
        return nullptr;
    }
    std::unique_ptr<X11AnchorWindow> anchor(new X11AnchorWindow(std::move(connection), window));
    anchor->setProperties(rect);
    xcb_map_window(xcb, window);
    anchor->waitUntilManaged();
    return anchor;
}

X11AnchorWindow::X11AnchorWindow(std::shared_ptr<X11Connection> connection, xcb_window_t window)
    : connection_(std::move(connection))
    , window_(window) {}

X11AnchorWindow::~X11AnchorWindow() {
    close();
}

void X11AnchorWindow::setProperties(const Rect& rect) {
    auto* xcb = connection_->xcb();
    auto* ewmh = connection_->ewmh();

    const std::string wmClass = std::string(kWindowClass) + '\0' + kWindowClass + '\0';
    xcb_icccm_set_wm_class(xcb, window_, wmClass.size(), wmClass.data());
    const std::string title = "Quillbar anchor";
    xcb_icccm_set_wm_name(xcb, window_, XCB_ATOM_STRING, 8, title.size(), title.data());
    xcb_ewmh_set_wm_name(ewmh, window_, title.size(), title.data());
    const std::string host = hostName();
    xcb_icccm_set_wm_client_machine(xcb, window_, XCB_ATOM_STRING, 8, host.size(), host.data());
    xcb_ewmh_set_wm_pid(ewmh, window_, static_cast<std::uint32_t>(::getpid()));

    // Where we put it, and no other size: keeps the window manager from placing or growing it.
    xcb_size_hints_t size{};
    xcb_icccm_size_hints_set_position(&size, 1, static_cast<std::int32_t>(std::lround(rect.x)),
                                      static_cast<std::int32_t>(std::lround(rect.y)));
    xcb_icccm_size_hints_set_size(&size, 1, kSide, kSide);
    xcb_icccm_size_hints_set_min_size(&size, kSide, kSide);
    xcb_icccm_size_hints_set_max_size(&size, kSide, kSide);
    xcb_icccm_set_wm_normal_hints(xcb, window_, &size);
    // It takes the keyboard focus when asked, but a user time of 0 keeps it from taking it on map.
    xcb_icccm_wm_hints_t hints{};
    xcb_icccm_wm_hints_set_input(&hints, 1);
    xcb_icccm_wm_hints_set_normal(&hints);
    xcb_icccm_set_wm_hints(xcb, window_, &hints);
    xcb_ewmh_set_wm_user_time(ewmh, window_, 0);

    xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, window_, connection_->atoms().motifHints,
                        connection_->atoms().motifHints, 32, kNoDecorations.size(),
                        kNoDecorations.data());
    std::array<xcb_atom_t, 2> states = {ewmh->_NET_WM_STATE_SKIP_TASKBAR,
                                        ewmh->_NET_WM_STATE_SKIP_PAGER};
    xcb_ewmh_set_wm_state(ewmh, window_, states.size(), states.data());
    std::array<xcb_atom_t, 1> types = {ewmh->_NET_WM_WINDOW_TYPE_NORMAL};
    xcb_ewmh_set_wm_window_type(ewmh, window_, types.size(), types.data());
    const std::uint32_t opacity = X11Answers::opacityValue(kOpacity);
    xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, window_, connection_->atoms().windowOpacity,
                        XCB_ATOM_CARDINAL, 32, 1, &opacity);
    // An empty input shape lets clicks through to whatever lies beneath.
    const xcb_query_extension_reply_t* shape = xcb_get_extension_data(xcb, &xcb_shape_id);
    if (shape && shape->present) {
        xcb_shape_rectangles(xcb, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED,
                             window_, 0, 0, 0, nullptr);
    }
}

void X11AnchorWindow::waitUntilManaged() {
    if (!connection_->windowManagerCheckWindow()) {
        xcb_flush(connection_->xcb());
        return;
    }
    // A window manager announces that it manages the window by giving it its desktop; a request to
    // move the window before that would go unheard.
    const xcb_window_t window = window_;
    const xcb_atom_t property = connection_->ewmh()->_NET_WM_DESKTOP;
    connection_->waitForEvent(
        [window, property](const xcb_generic_event_t& event) {
            if ((event.response_type & 0x7F) != XCB_PROPERTY_NOTIFY) {
                return false;
            }
            const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            return notify.window == window && notify.atom == property;
        },
        kManageTimeout);
}

void X11AnchorWindow::close() {
    if (closed_) {
        return;
    }
    closed_ = true;
    xcb_destroy_window(connection_->xcb(), window_);
    xcb_flush(connection_->xcb());
}

void X11AnchorWindow::makeKeyAndOrderFront() {
    if (closed_) {
        return;
    }
    auto* ewmh = connection_->ewmh();
    const int screen = connection_->screenNumber();
    // Window managers such as openbox do not follow an activation to another desktop, so the
    // desktop is asked for first.
    std::uint32_t desktop = 0;
    if (xcb_ewmh_get_wm_desktop_reply(ewmh, xcb_ewmh_get_wm_desktop(ewmh, window_), &desktop,
                                      nullptr) &&
        desktop != X11Answers::kAllDesktops) {
        xcb_ewmh_request_change_current_desktop(ewmh, screen, desktop, XCB_CURRENT_TIME);
    }
    xcb_ewmh_request_change_active_window(ewmh, screen, window_, kPagerSource, XCB_CURRENT_TIME,
                                          XCB_NONE);
    xcb_flush(connection_->xcb());
}

} // namespace quillbar
