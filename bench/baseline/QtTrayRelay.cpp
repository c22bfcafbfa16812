// SPDX-License-Identifier: GPL-3.0-or-later
// The floor of a Qt tray program under the title's latency and the CPU of a desktop change: the
// least a QApplication with one tray icon does to follow the desktop. It hears the root window's
// _NET_CURRENT_DESKTOP change on Qt's own X connection, reads it there, shows the desktop's number
// in its icon (each drawn once) and emits MenuBarTitleChanged("Desktop N") under Quillbar's bus
// name with QtDBus. Run it only where Quillbar does not run.
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QColor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

class DesktopFollower : public QAbstractNativeEventFilter {
public:
    DesktopFollower(xcb_connection_t* x, QSystemTrayIcon& icon)
        : x_(x)
        , icon_(icon) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(x_)).data->root;
        const char name[] = "_NET_CURRENT_DESKTOP";
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
            xcb_intern_atom_reply(x_, xcb_intern_atom(x_, 0, sizeof name - 1, name), nullptr),
            &std::free);
        if (atom) {
            atom_ = atom->atom;
        }
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        const auto* event = static_cast<xcb_generic_event_t*>(message);
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (type == "xcb_generic_event_t" && (event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
            notify->window == root_ && notify->atom == atom_) {
            announce();
        }
        return false;
    }

private:
    void announce() {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(
                x_, xcb_get_property(x_, 0, root_, atom_, XCB_ATOM_CARDINAL, 0, 1), nullptr),
            &std::free);
        if (!reply || xcb_get_property_value_length(reply.get()) != 4) {
            return;
        }
        const auto desktop =
            *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
        icon_.setIcon(iconFor(desktop + 1));
        QDBusMessage changed = QDBusMessage::createSignal(
            "/org/quillbar/Quillbar", "org.quillbar.Quillbar", "MenuBarTitleChanged");
        changed << QString("Desktop %1").arg(desktop + 1);
        QDBusConnection::sessionBus().send(changed);
    }

    const QIcon& iconFor(std::uint32_t number) {
        auto found = icons_.find(number);
        if (found == icons_.end()) {
            QPixmap square(22, 22);
            square.fill(QColor(0x2f, 0x6f, 0xd6));
            QPainter painter(&square);
            painter.setPen(Qt::white);
            painter.drawText(square.rect(), Qt::AlignCenter, QString::number(number));
            painter.end();
            found = icons_.insert(number, QIcon(square));
        }
        return *found;
    }

    xcb_connection_t* x_;
    QSystemTrayIcon& icon_;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    xcb_atom_t atom_ = XCB_ATOM_NONE;
    QHash<std::uint32_t, QIcon> icons_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !QDBusConnection::sessionBus().registerService("org.quillbar.Quillbar")) {
        return 1;
    }
    QPixmap square(22, 22);
    square.fill(QColor(0x2f, 0x6f, 0xd6));
    QSystemTrayIcon icon{QIcon(square)};
    icon.show();
    DesktopFollower follower(x11->connection(), icon);
    app.installNativeEventFilter(&follower);
    return app.exec();
}
