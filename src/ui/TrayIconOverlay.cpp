#include "ui/TrayIconOverlay.h"

#include "platform/qt/QtXcb.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <QtEndian>

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace quillbar {

namespace {

// Enough for every desktop of a large setup at the one size a tray uses; about 2 KB each on the
// X server at 22 pixels.
constexpr std::size_t kMaxUploads = 40;
// Trays draw icons of a few dozen pixels; anything larger is left to Qt.
constexpr int kMaxSide = 256;
// The two replies come within a millisecond or two; the overlay stops waiting after about 2 s.
constexpr int kPollInterval = 2;
constexpr int kMaxPolls = 1000;

// libxcb forgets a checked request only once an answer to a later one arrives. Qt's connection
// hears nothing while the desktops change, so the overlay asks for one now and then; each record
// kept costs memory and a walk on every request.
constexpr int kMaxUnconfirmed = 64;

// The X server's 32-bit pixels in its byte order, from premultiplied ARGB in the host's.
QImage inServerOrder(QImage image, xcb_connection_t* connection) {
    const bool serverBigEndian =
        xcb_get_setup(connection)->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    if (serverBigEndian != (Q_BYTE_ORDER == Q_BIG_ENDIAN)) {
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
            std::transform(line, line + image.width(), line, [](quint32 p) { return qbswap(p); });
        }
    }
    return image;
}

} // namespace

void TrayIconOverlay::quietly(xcb_void_cookie_t request) {
    xcb_discard_reply(connection_, request.sequence);
    if (++unconfirmed_ >= kMaxUnconfirmed) {
        // The cheapest request with an answer; Qt's event thread reads it and xcb drops it.
        xcb_discard_reply(connection_, xcb_get_input_focus(connection_).sequence);
        unconfirmed_ = 0;
    }
}

TrayIconOverlay::TrayIconOverlay(QObject* parent)
    : QObject(parent) {
    connection_ = QtXcb::connection();
    if (!connection_) {
        return;
    }
    // Qt asked for RENDER when it connected: the answer is cached, no round trip.
    const xcb_query_extension_reply_t* render = xcb_get_extension_data(connection_, &xcb_render_id);
    if (!render || !render->present) {
        connection_ = nullptr;
        return;
    }
    poll_.setInterval(kPollInterval);
    connect(&poll_, &QTimer::timeout, this, &TrayIconOverlay::pollFormats);
    qApp->installNativeEventFilter(this);
}

TrayIconOverlay::~TrayIconOverlay() {
    if (!connection_) {
        return;
    }
    detach();
    for (const Upload& u : uploads_) {
        release(u);
    }
    xcb_flush(connection_);
}

void TrayIconOverlay::show(const MenuBarIcon::Content& content) {
    content_ = content;
    if (!connection_ || unusable_) {
        return;
    }
    if (!trayWidget_) {
        detach();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String("QSystemTrayIconSys") &&
                widget->testAttribute(Qt::WA_WState_Created) && widget != refused_) {
                attach(widget);
                break;
            }
        }
    }
    if (window_) {
        draw();
    }
}

void TrayIconOverlay::attach(QWidget* trayWidget) {
    trayWidget_ = trayWidget;
    parent_ = static_cast<std::uint32_t>(trayWidget->winId());
    trayWidget->installEventFilter(this);
    connect(trayWidget, &QObject::destroyed, this, &TrayIconOverlay::detach);
    if (!formats_) {
        formatsRequest_ = xcb_render_query_pict_formats(connection_).sequence;
    }
    attributesRequest_ = xcb_get_window_attributes(connection_, parent_).sequence;
    xcb_flush(connection_);
    polls_ = 0;
    poll_.start();
}

void TrayIconOverlay::pollFormats() {
    if (const auto formats =
            QtXcb::takeReply<xcb_render_query_pict_formats_reply_t>(connection_, formatsRequest_)) {
        readFormats(formats->get());
    }
    if (const auto attributes =
            QtXcb::takeReply<xcb_get_window_attributes_reply_t>(connection_, attributesRequest_)) {
        visual_ = *attributes ? (*attributes)->visual : 0;
    }
    if (formatsRequest_ || attributesRequest_) {
        if (++polls_ >= kMaxPolls) {
            refuse(); // Qt keeps drawing in this window
        }
        return;
    }
    poll_.stop();
    if (unusable_ || !visual_ || !trayWidget_ || !findWindowFormat()) {
        refuse();
        return;
    }
    createWindow();
}

void TrayIconOverlay::readFormats(const xcb_render_query_pict_formats_reply_t* formats) {
    if (formats) {
        formats_ = RenderFormats::read(formats, 32 + 4 * std::size_t{formats->length});
    }
    // Without a format for ARGB images the overlay cannot blend; Qt keeps drawing.
    unusable_ = !formats_;
}

bool TrayIconOverlay::findWindowFormat() {
    const RenderFormats::Visual* found = formats_ ? formats_->find(visual_) : nullptr;
    if (!found) {
        return false;
    }
    windowFormat_ = found->format;
    depth_ = found->depth;
    return true;
}

void TrayIconOverlay::createWindow() {
    size_ = deviceSize();
    const QSize size = size_;
    if (size.isEmpty() || size.width() > kMaxSide || size.height() > kMaxSide) {
        refuse();
        return;
    }
    window_ = xcb_generate_id(connection_);
    // The tray's own background shows through, as under Qt's window; pointer events are not
    // selected, so they reach Qt's window beneath.
    const std::uint32_t values[] = {XCB_BACK_PIXMAP_PARENT_RELATIVE, 0, XCB_EVENT_MASK_EXPOSURE};
    quietly(xcb_create_window_checked(
        connection_, XCB_COPY_FROM_PARENT, window_, parent_, 0, 0,
        static_cast<std::uint16_t>(size.width()), static_cast<std::uint16_t>(size.height()), 0,
        XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
        XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK, values));
    windowPicture_ = xcb_generate_id(connection_);
    quietly(xcb_render_create_picture_checked(connection_, windowPicture_, window_, windowFormat_,
                                              0, nullptr));
    quietly(xcb_map_window_checked(connection_, window_));
    // Qt's widget sits under the overlay from now on: nothing it drew would be seen.
    trayWidget_->setUpdatesEnabled(false);
    draw();
}

void TrayIconOverlay::refuse() {
    refused_ = trayWidget_;
    detach();
}

void TrayIconOverlay::detach() {
    poll_.stop();
    for (auto* request : {&formatsRequest_, &attributesRequest_}) {
        if (*request) {
            xcb_discard_reply(connection_, **request);
            request->reset();
        }
    }
    if (trayWidget_) {
        trayWidget_->removeEventFilter(this);
        disconnect(trayWidget_, &QObject::destroyed, this, &TrayIconOverlay::detach);
        trayWidget_->setUpdatesEnabled(true);
    }
    if (window_) {
        // Both may be gone already, with Qt's window.
        quietly(xcb_render_free_picture_checked(connection_, windowPicture_));
        quietly(xcb_destroy_window_checked(connection_, window_));
        xcb_flush(connection_);
    }
    trayWidget_ = nullptr;
    parent_ = window_ = windowPicture_ = 0;
}

QSize TrayIconOverlay::deviceSize() const {
    return trayWidget_ ? trayWidget_->size() * trayWidget_->devicePixelRatioF() : QSize();
}

void TrayIconOverlay::draw() {
    const QSize size = size_;
    const Upload* icon = upload(content_, size);
    if (!icon) {
        return;
    }
    const auto width = static_cast<std::uint16_t>(size.width());
    const auto height = static_cast<std::uint16_t>(size.height());
    if (depth_ == 32) {
        const xcb_rectangle_t all{0, 0, width, height};
        quietly(xcb_render_fill_rectangles_checked(connection_, XCB_RENDER_PICT_OP_SRC,
                                                   windowPicture_, xcb_render_color_t{0, 0, 0, 0},
                                                   1, &all));
    } else {
        quietly(xcb_clear_area_checked(connection_, 0, window_, 0, 0, 0, 0));
    }
    quietly(xcb_render_composite_checked(connection_, XCB_RENDER_PICT_OP_OVER, icon->picture,
                                         XCB_NONE, windowPicture_, 0, 0, 0, 0, 0, 0, width,
                                         height));
    xcb_flush(connection_);
}

const TrayIconOverlay::Upload* TrayIconOverlay::upload(const MenuBarIcon::Content& content,
                                                       QSize size) {
    if (size.isEmpty() || size.width() > kMaxSide || size.height() > kMaxSide) {
        return nullptr;
    }
    const auto found = std::find_if(uploads_.begin(), uploads_.end(), [&](const Upload& u) {
        return u.size == size && u.content == content;
    });
    if (found != uploads_.end()) {
        uploads_.splice(uploads_.begin(), uploads_, found);
        return &uploads_.front();
    }
    // Drawn exactly as Qt's tray widget draws its icon, into a transparent image of the window.
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(trayWidget_->devicePixelRatioF());
    {
        QPainter painter(&image);
        MenuBarIcon::icon(content).paint(&painter, QRect(QPoint(0, 0), trayWidget_->size()));
    }
    image = inServerOrder(std::move(image), connection_);

    Upload u{content, size, xcb_generate_id(connection_), xcb_generate_id(connection_)};
    const auto width = static_cast<std::uint16_t>(size.width());
    // Made on the tray window's screen, which may be gone by now: every error here is dropped.
    quietly(xcb_create_pixmap_checked(connection_, 32, u.pixmap, parent_, width,
                                      static_cast<std::uint16_t>(size.height())));
    const std::uint32_t gc = xcb_generate_id(connection_);
    quietly(xcb_create_gc_checked(connection_, gc, u.pixmap, 0, nullptr));
    // In bands that fit one request whatever the server's limit.
    const std::size_t stride = static_cast<std::size_t>(image.bytesPerLine());
    const std::size_t maxBytes = std::size_t{xcb_get_maximum_request_length(connection_)} * 4 - 64;
    const int band = static_cast<int>(std::max<std::size_t>(1, maxBytes / stride));
    for (int y = 0; y < size.height(); y += band) {
        const int rows = std::min(band, size.height() - y);
        quietly(xcb_put_image_checked(
            connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, u.pixmap, gc, width,
            static_cast<std::uint16_t>(rows), 0, static_cast<std::int16_t>(y), 0, 32,
            static_cast<std::uint32_t>(stride * static_cast<std::size_t>(rows)),
            image.constScanLine(y)));
    }
    quietly(xcb_free_gc_checked(connection_, gc));
    quietly(xcb_render_create_picture_checked(connection_, u.picture, u.pixmap, formats_->argb32, 0,
                                              nullptr));
    uploads_.push_front(u);
    if (uploads_.size() > kMaxUploads) {
        release(uploads_.back());
        uploads_.pop_back();
    }
    return &uploads_.front();
}

void TrayIconOverlay::release(const Upload& upload) {
    quietly(xcb_render_free_picture_checked(connection_, upload.picture));
    quietly(xcb_free_pixmap_checked(connection_, upload.pixmap));
}

bool TrayIconOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched != trayWidget_) {
        return false;
    }
    if (event->type() == QEvent::Resize && window_) {
        // The tray gave Qt's window another size: the overlay follows and draws for it.
        size_ = deviceSize();
        const QSize size = size_;
        const std::uint32_t values[] = {static_cast<std::uint32_t>(size.width()),
                                        static_cast<std::uint32_t>(size.height())};
        quietly(xcb_configure_window_checked(
            connection_, window_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values));
        draw();
    } else if (event->type() == QEvent::WinIdChange) {
        detach();
        show(content_);
    }
    return false;
}

bool TrayIconOverlay::nativeEventFilter(const QByteArray&, void* message, qintptr*) {
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if (window_ && (event->response_type & 0x7f) == XCB_EXPOSE) {
        const auto* expose = reinterpret_cast<const xcb_expose_event_t*>(event);
        if (expose->window == window_ && expose->count == 0) {
            draw();
        }
    }
    return false;
}

} // namespace quillbar
