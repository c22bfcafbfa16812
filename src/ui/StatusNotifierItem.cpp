// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StatusNotifierItem.h"

#include "services/TopBarButtonWatcher.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QImage>
#include <QtEndian>

#include <cstring>

namespace quillbar {

StatusNotifierItem::StatusNotifierItem(BusObject& object, QString menuPath,
                                       std::function<void()> activate)
    : QDBusAbstractAdaptor(&object)
    , object_(object)
    , menuPath_(std::move(menuPath))
    , activate_(std::move(activate))
    , watcher_(QString::fromLatin1(kWatcher), object.bus(),
               QDBusServiceWatcher::WatchForRegistration) {
    qDBusRegisterMetaType<Pixmap>();
    qDBusRegisterMetaType<QList<Pixmap>>();
    qDBusRegisterMetaType<ToolTip>();
    // A watcher that starts (again) knows no items: each registers anew.
    connect(&watcher_, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        if (shown_) {
            registerWithWatcher();
        }
    });
}

void StatusNotifierItem::setShown(bool shown) {
    const bool wasShown = shown_;
    shown_ = shown;
    if (shown) {
        registerWithWatcher();
    }
    if (wasShown != shown) {
        emit NewStatus(status());
    }
}

QString StatusNotifierItem::status() const {
    return shown_ ? QStringLiteral("Active") : QStringLiteral("Passive");
}

void StatusNotifierItem::registerWithWatcher() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kWatcher), QString::fromLatin1(kWatcherPath),
        QString::fromLatin1(kWatcher), QStringLiteral("RegisterStatusNotifierItem"));
    call << object_.bus().baseService();
    // Nothing waits for the answer: a watcher that refuses leaves the item unlisted, as none would.
    object_.bus().call(call, QDBus::NoBlock);
}

void StatusNotifierItem::askForHost(const QDBusConnection& bus, QObject* context,
                                    std::function<void(bool)> answer) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kWatcher), QString::fromLatin1(kWatcherPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QString::fromLatin1(kWatcher) << QStringLiteral("IsStatusNotifierHostRegistered");
    call.setAutoStartService(false);
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(call, 2000), context);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, context,
                     [answer = std::move(answer)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         answer(TopBarButtonWatcher::answer(finished->reply()));
                     });
}

void StatusNotifierItem::setIcon(const QIcon& icon) {
    pixmaps_.clear();
    for (const int size : kIconSizes) {
        // At ratio 1 every Qt version means device pixels.
        pixmaps_.append(pixmapOf(icon.pixmap(QSize(size, size), 1.0).toImage()));
    }
    emit NewIcon();
    emit NewToolTip(); // the tooltip carries the icon
}

void StatusNotifierItem::setToolTipText(const QString& text) {
    if (text != toolTipText_) {
        toolTipText_ = text;
        emit NewToolTip();
    }
}

StatusNotifierItem::ToolTip StatusNotifierItem::toolTip() const {
    QString text = toolTipText_;
    text.remove(QChar(u'\0'));
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
    // Hosts may read the description as markup.
    return {{},
            pixmaps_.mid(0, 1),
            text.left(lineEnd),
            lineEnd < 0 ? QString() : text.mid(lineEnd + 1).toHtmlEscaped()};
}

StatusNotifierItem::Pixmap StatusNotifierItem::pixmapOf(const QImage& drawn) {
    const QImage image = drawn.convertToFormat(QImage::Format_ARGB32);
    Pixmap pixmap{image.width(), image.height(), {}};
    pixmap.pixels.resize(qsizetype(image.width()) * image.height() * 4);
    char* out = pixmap.pixels.data();
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const quint32 pixel = qToBigEndian(line[x]);
            std::memcpy(out, &pixel, 4);
            out += 4;
        }
    }
    return pixmap;
}

void StatusNotifierItem::ContextMenu(int, int) {}

void StatusNotifierItem::Activate(int, int) {
    if (activate_) {
        activate_();
    }
}

void StatusNotifierItem::SecondaryActivate(int, int) {}

void StatusNotifierItem::Scroll(int, const QString&) {}

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierItem::Pixmap& pixmap) {
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.pixels;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierItem::Pixmap& pixmap) {
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.pixels;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierItem::ToolTip& tip) {
    argument.beginStructure();
    argument << tip.iconName << tip.icon << tip.title << tip.description;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierItem::ToolTip& tip) {
    argument.beginStructure();
    argument >> tip.iconName >> tip.icon >> tip.title >> tip.description;
    argument.endStructure();
    return argument;
}

} // namespace quillbar
