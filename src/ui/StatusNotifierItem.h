// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services/BusObject.h"

#include <QByteArray>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>

#include <functional>

namespace quillbar {

// The tray item as a StatusNotifierItem (interface "org.kde.StatusNotifierItem" at kPath, on the
// application's connection). On Wayland, where a client cannot place a menu of its own beside
// the icon, it says it is a menu and names the exported one, so hosts draw that on a left click
// as on a right one; on X11 a left click (Activate) opens Quillbar's own menu instead. While
// shown it is registered with the StatusNotifierWatcher under the connection's unique name,
// again whenever a watcher appears. Scrolls, middle clicks and the host's coordinates are ignored.
class StatusNotifierItem : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ noName)
    Q_PROPERTY(QString OverlayIconName READ noName)
    Q_PROPERTY(QString AttentionIconName READ noName)
    Q_PROPERTY(QString AttentionMovieName READ noName)
    Q_PROPERTY(QList<quillbar::StatusNotifierItem::Pixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(quillbar::StatusNotifierItem::ToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
public:
    static constexpr const char* kPath = "/StatusNotifierItem";
    static constexpr const char* kInterface = "org.kde.StatusNotifierItem";
    static constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";
    static constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
    // The icon's sizes, in pixels: enough for any panel height to pick from.
    static constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64};

    // One image, (iiay): width, height, ARGB32 pixels in network byte order.
    struct Pixmap {
        int width = 0;
        int height = 0;
        QByteArray pixels;
    };
    // The tooltip, (sa(iiay)ss): icon name, icon, title, description.
    struct ToolTip {
        QString iconName;
        QList<Pixmap> icon;
        QString title;
        QString description;
    };

    // The item as an interface of object (at kPath), which owns it, offering the menu at
    // menuPath; not yet registered. With activate, a left click calls it and the item is no
    // menu; without, hosts draw the menu on both clicks.
    StatusNotifierItem(BusObject& object, QString menuPath, std::function<void()> activate = {});

    // Registers the item now and whenever a watcher appears (true), or shows it as passive,
    // which hosts hide (false).
    void setShown(bool shown);
    // Shows icon, drawn at each of kIconSizes; NewIcon.
    void setIcon(const QIcon& icon);
    // Shows text as the tooltip (first line its title, the rest its description); NewToolTip
    // when it changed.
    void setToolTipText(const QString& text);
    // image in the bus's form.
    static Pixmap pixmapOf(const QImage& image);
    // Asks bus's watcher, without waiting, whether a host shows items; answer gets true only
    // for a boolean true, and false after 2 s without one.
    static void askForHost(const QDBusConnection& bus, QObject* context,
                           std::function<void(bool)> answer);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("quillbar"); }
    QString title() const { return QStringLiteral("Quillbar"); }
    QString status() const;
    int windowId() const { return 0; }
    QString noName() const { return {}; }
    QList<Pixmap> iconPixmap() const { return pixmaps_; }
    ToolTip toolTip() const;
    bool itemIsMenu() const { return !activate_; }
    QDBusObjectPath menu() const { return QDBusObjectPath(menuPath_); }

public slots:
    // The host's requests: the host shows the menu itself, so only Activate may do anything.
    void ContextMenu(int x, int y);
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void Scroll(int delta, const QString& orientation);

signals:
    void NewTitle();
    void NewIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    // Asks the watcher to list the item (no wait for the answer).
    void registerWithWatcher();

    BusObject& object_;
    QString menuPath_;
    std::function<void()> activate_;
    QDBusServiceWatcher watcher_;
    bool shown_ = false;
    QList<Pixmap> pixmaps_;
    QString toolTipText_;
};

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierItem::Pixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierItem::Pixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierItem::ToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierItem::ToolTip& tip);

} // namespace quillbar

Q_DECLARE_METATYPE(quillbar::StatusNotifierItem::Pixmap)
Q_DECLARE_METATYPE(quillbar::StatusNotifierItem::ToolTip)
