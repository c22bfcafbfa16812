// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Subscription.h"
#include "ui/MenuBarIcon.h"
#include "ui/TrayIconCache.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include <vector>

class QMenu;

namespace quillbar {

class SpaceObserver;
class StatusNotifierItem;

// The tray item: the current space's icon, a tooltip whose first line is the menu-bar title, and
// the menu on a left or right click (on Wayland only the host's, on a right click), opened next to
// the icon where the tray says where it is. Works with StatusNotifier hosts and XEmbed trays, and
// docks once a tray appears when there is none yet.
class MenuBarItem : public QObject {
    Q_OBJECT
public:
    // An item for the observer's current space that opens menu (not owned).
    MenuBarItem(SpaceObserver& observer, QMenu* menu, QObject* parent = nullptr);
    ~MenuBarItem() override;

    // From now on shows the icon and tooltip through item (not owned, outliving this) instead of
    // Qt's tray icon.
    void useNotifierItem(StatusNotifierItem* item);
    // Whether the platform named platformName needs Quillbar's own StatusNotifierItem, which tells
    // hosts it is a menu: on Wayland, where a left click could not open Quillbar's own menu.
    static bool needsNotifierItem(const QString& platformName);
    // Puts the item into the tray (or waits for one).
    void show();
    // Takes the item out of the tray (another panel shows the title).
    void hide();
    // Sets the tooltip's second line (the first is always the menu-bar title).
    void setTooltipHint(const QString& hint);
    // Sets the tooltip's last line, a warning (empty: none).
    void setTooltipWarning(const QString& warning);
    // The tooltip now shown.
    QString toolTip() const;
    // Shows a passing notification from the tray item (asks for the user's attention).
    void showMessage(const QString& title, const QString& message);
    // What the icon now shows.
    const MenuBarIcon::Content& iconContent() const { return content_; }
    // Takes the observer's present title and icon.
    void update();
    // Opens Quillbar's own menu beside the icon (X11 only: see opensOwnMenuOnClick).
    void popUpMenu();
    // Where a menu of menuSize opens for a tray icon at icon in a screen's work area: beside the
    // icon (below it in the upper half, above it in the lower half), never over it nor over the
    // panels outside the area.
    static QPoint menuPosition(const QRect& icon, const QRect& area, const QSize& menuSize);
    // A screen's work area (logical pixels) from what Qt reports for it: its geometry, available
    // geometry and pixel ratio. Qt 6.11 on X11 with a scale factor leaves the available
    // geometry's offset in device pixels, outside the screen: that offset is scaled here.
    static QRect workArea(const QRect& geometry, const QRect& available, qreal pixelRatio);
    // Whether a left click opens Quillbar's own menu on the Qt platform named platformName: on
    // X11, not on Wayland (where the host shows the exported menu on a right click).
    static bool opensOwnMenuOnClick(const QString& platformName);

private:
    // Updates on the next turn of the event loop, once for everything published before it.
    void updateSoon();
    void activated(QSystemTrayIcon::ActivationReason reason);
    // Where the menu opens: beside the icon, or (where the tray does not say where the icon is)
    // under the pointer; within the work area either way, for a menu of menuSize.
    QPoint menuPlace(const QSize& menuSize) const;

    SpaceObserver& observer_;
    QMenu* menu_;
    QSystemTrayIcon tray_;
    StatusNotifierItem* notifierItem_ = nullptr;
    bool shown_ = false;
    QString hint_;
    QString warning_;
    MenuBarIcon::Content content_;
    bool hasIcon_ = false;
    TrayIconCache icons_;
    QTimer updateTimer_;
    std::vector<Subscription> subscriptions_;
};

} // namespace quillbar
