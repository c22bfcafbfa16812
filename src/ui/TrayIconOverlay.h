#pragma once

#include "ui/MenuBarIcon.h"
#include "ui/RenderFormats.h"

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdint>
#include <list>
#include <optional>
#include <vector>

class QWidget;
struct xcb_render_query_pict_formats_reply_t;

namespace quillbar {

// Draws the tray icon in an X window of its own laid over the window Qt docks into an XEmbed
// tray. Qt repaints its whole widget for a new icon; here a new icon costs two requests to the X
// server (clear to the tray's background, blend the icon over it), each content uploaded once per
// size. While it draws, Qt's tray widget draws nothing; pointer events pass through to it, so
// clicks and tooltips stay Qt's. Inert without an XEmbed tray (StatusNotifier hosts, Wayland) or
// without the X RENDER extension: Qt draws the icon as before.
class TrayIconOverlay : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit TrayIconOverlay(QObject* parent = nullptr);
    ~TrayIconOverlay() override;

    // Shows content: draws it at once when the overlay is in place, and looks for Qt's tray
    // window when it is not (Qt makes a new one whenever it docks anew).
    void show(const MenuBarIcon::Content& content);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Upload {
        MenuBarIcon::Content content;
        QSize size;
        std::uint32_t pixmap = 0;
        std::uint32_t picture = 0;
    };

    void attach(QWidget* trayWidget);
    void pollFormats();
    void readFormats(const xcb_render_query_pict_formats_reply_t* formats);
    bool findWindowFormat();
    void createWindow();
    void detach();
    // Leaves the tray window to Qt for good: the overlay cannot draw in it.
    void refuse();
    void draw();
    QSize deviceSize() const;
    const Upload* upload(const MenuBarIcon::Content& content, QSize size);
    void release(const Upload& upload);
    // Sends a request whose error, if any, is dropped rather than reported to Qt: the tray window
    // can vanish at any moment (the tray quits, Qt docks anew), taking the overlay with it.
    void quietly(xcb_void_cookie_t request);

    xcb_connection_t* connection_ = nullptr;
    QPointer<QWidget> trayWidget_;
    QPointer<QWidget> refused_; // not tried again, rather than once per new icon
    std::uint32_t parent_ = 0;
    std::uint32_t window_ = 0;
    std::uint32_t windowPicture_ = 0;
    std::uint32_t windowFormat_ = 0;
    std::uint8_t depth_ = 0;
    QSize size_; // the overlay's, in device pixels: asking the widget costs more than drawing
    // The replies the overlay waits for before it can draw: picture formats and the tray window's
    // visual, read without blocking as they arrive.
    std::optional<unsigned int> formatsRequest_;
    std::optional<unsigned int> attributesRequest_;
    std::uint32_t visual_ = 0;
    std::optional<RenderFormats> formats_;
    QTimer poll_;
    int polls_ = 0;
    bool unusable_ = false;
    int unconfirmed_ = 0; // checked requests sent since the last one answered
    MenuBarIcon::Content content_;
    std::list<Upload> uploads_; // most recent first
};

} // namespace quillbar
