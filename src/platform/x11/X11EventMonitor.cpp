// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11EventMonitor.h"

#include "platform/NotificationCenter.h"
#include "platform/qt/LocalNotificationCenter.h"
#include "platform/x11/X11Connection.h"

#include <xcb/randr.h>

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <QThread>

namespace quillbar {

X11EventMonitor::X11EventMonitor(std::shared_ptr<X11Connection> connection,
                                 LocalNotificationCenter& workspaceCenter,
                                 LocalNotificationCenter& defaultCenter)
    : connection_(std::move(connection))
    , workspaceCenter_(workspaceCenter)
    , defaultCenter_(defaultCenter) {
    listener_ =
        connection_->addListener([this](const xcb_generic_event_t& event) { handle(event); });
    connection_->selectEvents(connection_->root(),
                              XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    if (connection_->hasRandrMonitors()) {
        xcb_randr_select_input(connection_->xcb(), connection_->root(),
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    }
    watchWindowManager();
    xcb_flush(connection_->xcb());

    notifier_ =
        std::make_unique<QSocketNotifier>(connection_->fileDescriptor(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { readSocket(); });
    // Waiting for a reply can pull events off the socket into xcb's queue, where the socket
    // notifier cannot see them; they are handed out before the event loop sleeps. Whatever is
    // still in the socket then wakes the notifier.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread())) {
        aboutToBlock_ = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock,
                                         notifier_.get(), [this] { connection_->markQuiet(); });
    }
}

X11EventMonitor::~X11EventMonitor() {
    QObject::disconnect(aboutToBlock_);
    connection_->removeListener(listener_);
}

void X11EventMonitor::readSocket() {
    connection_->readEvents();
    if (connection_->hasError()) {
        notifier_->setEnabled(false); // the server is gone; the socket would report EOF forever
    }
}

void X11EventMonitor::handle(const xcb_generic_event_t& event) {
    const std::uint8_t type = event.response_type & 0x7F;
    const xcb_window_t root = connection_->root();
    if (type == XCB_PROPERTY_NOTIFY) {
        const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        if (notify.window == root) {
            handleRootProperty(notify.atom);
        }
    } else if (type == XCB_CONFIGURE_NOTIFY) {
        const auto& notify = reinterpret_cast<const xcb_configure_notify_event_t&>(event);
        if (notify.window == root) {
            defaultCenter_.postNotification(NotificationCenter::kScreenParametersDidChange);
        }
    } else if (type == XCB_DESTROY_NOTIFY) {
        const auto& notify = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
        if (windowManager_ && notify.window == *windowManager_) {
            windowManager_.reset(); // the window manager went away without a word
            defaultCenter_.postNotification(NotificationCenter::kScreenParametersDidChange);
        }
    } else if (connection_->hasRandrMonitors() &&
               (type == connection_->randrFirstEvent() + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                type == connection_->randrFirstEvent() + XCB_RANDR_NOTIFY)) {
        defaultCenter_.postNotification(NotificationCenter::kScreenParametersDidChange);
    }
}

void X11EventMonitor::handleRootProperty(xcb_atom_t atom) {
    auto* ewmh = connection_->ewmh();
    if (atom == ewmh->_NET_CURRENT_DESKTOP) {
        workspaceCenter_.postNotification(NotificationCenter::kActiveSpaceDidChange);
    } else if (atom == ewmh->_NET_NUMBER_OF_DESKTOPS || atom == ewmh->_NET_DESKTOP_NAMES) {
        defaultCenter_.postNotification(NotificationCenter::kScreenParametersDidChange);
    } else if (atom == ewmh->_NET_SUPPORTING_WM_CHECK) {
        watchWindowManager();
        defaultCenter_.postNotification(NotificationCenter::kScreenParametersDidChange);
    }
}

void X11EventMonitor::watchWindowManager() {
    windowManager_ = connection_->windowManagerCheckWindow();
    if (windowManager_) {
        connection_->selectEvents(*windowManager_, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    }
}

} // namespace quillbar
