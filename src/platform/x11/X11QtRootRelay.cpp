#include "platform/x11/X11QtRootRelay.h"

#include "platform/qt/QtXcb.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quillbar {

namespace {

// Qt's answer comes within a millisecond or two; the relay stops waiting after about 2 s and
// leaves Qt listening as before.
constexpr int kPollInterval = 1;
constexpr int kMaxPolls = 2000;

bool isQtsRoot(xcb_connection_t* qt, xcb_window_t root) {
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(qt)); it.rem; xcb_screen_next(&it)) {
        if (it.data->root == root) {
            return true;
        }
    }
    return false;
}

} // namespace

X11QtRootRelay::X11QtRootRelay(xcb_window_t root, std::vector<xcb_atom_t> atoms)
    : root_(root)
    , atoms_(std::move(atoms)) {
    xcb_connection_t* qt = QtXcb::connection();
    if (!qt || !isQtsRoot(qt, root)) {
        return;
    }
    qt_ = qt;
    // Qt's mask on the root is its own business: it is read, not assumed, without waiting.
    maskRequest_ = xcb_get_window_attributes(qt_, root_).sequence;
    xcb_flush(qt_);
    poll_.setInterval(kPollInterval);
    QObject::connect(&poll_, &QTimer::timeout, [this] { pollMask(); });
    poll_.start();
}

X11QtRootRelay::~X11QtRootRelay() {
    if (!qt_) {
        return;
    }
    if (maskRequest_) {
        xcb_discard_reply(qt_, *maskRequest_);
    }
    if (qtMask_) {
        xcb_change_window_attributes(qt_, root_, XCB_CW_EVENT_MASK, &*qtMask_);
    }
    if (receiver_) {
        xcb_destroy_window(qt_, receiver_);
    }
    xcb_flush(qt_);
}

void X11QtRootRelay::pollMask() {
    auto reply = QtXcb::takeReply<xcb_get_window_attributes_reply_t>(qt_, maskRequest_);
    if (!reply) {
        if (++polls_ >= kMaxPolls) {
            poll_.stop();
        }
        return;
    }
    poll_.stop();
    const auto& attributes = *reply;
    if (attributes && (attributes->your_event_mask & XCB_EVENT_MASK_PROPERTY_CHANGE)) {
        qtMask_ = attributes->your_event_mask;
        receiver_ = xcb_generate_id(qt_);
        xcb_create_window(qt_, 0, receiver_, root_, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        const std::uint32_t quieter = *qtMask_ & ~std::uint32_t{XCB_EVENT_MASK_PROPERTY_CHANGE};
        xcb_change_window_attributes(qt_, root_, XCB_CW_EVENT_MASK, &quieter);
        xcb_flush(qt_);
    }
}

void X11QtRootRelay::relay(const xcb_property_notify_event_t& event) {
    if (!qtMask_ || event.window != root_ ||
        std::find(atoms_.begin(), atoms_.end(), event.atom) == atoms_.end()) {
        return;
    }
    // With no event mask, the server delivers to whoever made the window: Qt's connection.
    // xcb_send_event copies a whole core event, 32 bytes, more than xcb's struct holds.
    xcb_property_notify_event_t copy = event;
    copy.response_type = XCB_PROPERTY_NOTIFY;
    char wire[32] = {};
    static_assert(sizeof copy <= sizeof wire);
    std::memcpy(wire, &copy, sizeof copy);
    xcb_send_event(qt_, 0, receiver_, XCB_EVENT_MASK_NO_EVENT, wire);
    xcb_flush(qt_);
}

} // namespace quillbar
