// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuBarItem.h"

#include "model/SpaceNameStore.h"
#include "observer/SpaceObserver.h"
#include "ui/StatusNotifierItem.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

#include <algorithm>

namespace quillbar {

MenuBarItem::MenuBarItem(SpaceObserver& observer, QMenu* menu, QObject* parent)
    : QObject(parent)
    , observer_(observer)
    , menu_(menu) {
    updateTimer_.setSingleShot(true);
    updateTimer_.setInterval(0);
    connect(&updateTimer_, &QTimer::timeout, this, &MenuBarItem::update);
    tray_.setContextMenu(menu_);
    connect(&tray_, &QSystemTrayIcon::activated, this, &MenuBarItem::activated);
    // A refresh publishes the list, the current space and the title one after another: the item
    // follows once, after all of them.
    subscriptions_.push_back(observer_.subscribe([this] { updateSoon(); }));
    subscriptions_.push_back(
        observer_.nameStore().subscribe([this](const auto&) { updateSoon(); }));
    update();
}

MenuBarItem::~MenuBarItem() = default;

void MenuBarItem::useNotifierItem(StatusNotifierItem* item) {
    notifierItem_ = item;
    tray_.hide();
    hasIcon_ = false; // the new item has none yet
    update();
    notifierItem_->setShown(shown_);
}

bool MenuBarItem::needsNotifierItem(const QString& platformName) {
    return !opensOwnMenuOnClick(platformName);
}

void MenuBarItem::show() {
    shown_ = true;
    if (notifierItem_) {
        notifierItem_->setShown(true);
        return;
    }
    // Without a tray the icon stays registered and Qt docks it when a tray shows up.
    tray_.show();
}

void MenuBarItem::hide() {
    shown_ = false;
    if (notifierItem_) {
        notifierItem_->setShown(false);
    }
    tray_.hide();
}

void MenuBarItem::setTooltipHint(const QString& hint) {
    hint_ = hint;
    update();
}

void MenuBarItem::setTooltipWarning(const QString& warning) {
    warning_ = warning;
    update();
}

void MenuBarItem::showMessage(const QString& title, const QString& message) {
    tray_.showMessage(title, message, QSystemTrayIcon::Information);
}

QString MenuBarItem::toolTip() const {
    return tray_.toolTip();
}

void MenuBarItem::update() {
    QString tip = QString::fromStdString(observer_.menuBarTitle());
    if (!hint_.isEmpty()) {
        tip += QLatin1Char('\n') + hint_;
    }
    if (!warning_.isEmpty()) {
        tip += QLatin1Char('\n') + warning_;
    }
    if (tray_.toolTip() != tip) {
        tray_.setToolTip(tip);
    }
    if (notifierItem_) {
        notifierItem_->setToolTipText(tip);
    }
    const MenuBarIcon::Content content = MenuBarIcon::contentFor(observer_);
    if (!hasIcon_ || content != content_) {
        hasIcon_ = true;
        content_ = content;
        const QIcon icon = icons_.icon(content_);
        if (notifierItem_) {
            notifierItem_->setIcon(icon);
        } else {
            tray_.setIcon(icon);
        }
    }
}

void MenuBarItem::updateSoon() {
    // A zero timer rather than a posted event: no wake-up of the loop through its eventfd.
    if (!updateTimer_.isActive()) {
        updateTimer_.start();
    }
}

bool MenuBarItem::opensOwnMenuOnClick(const QString& platformName) {
    // A Wayland client cannot place a popup without a parent surface: the compositor would map
    // the menu as a window of its own. There the host's menu, drawn from the exported one, is it.
    return !platformName.startsWith(QLatin1String("wayland"));
}

void MenuBarItem::popUpMenu() {
    menu_->popup(menuPlace(menu_->sizeHint()));
    // Qt keeps a popup inside the work area it knows, which may be the wrong one (workArea); and
    // before its first showing a menu's size hint falls short of its shown height.
    const QPoint place = menuPlace(menu_->size());
    if (menu_->pos() != place) {
        menu_->move(place);
    }
}

void MenuBarItem::activated(QSystemTrayIcon::ActivationReason reason) {
    // A left click opens the same menu as a right click.
    if ((reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) &&
        opensOwnMenuOnClick(QGuiApplication::platformName())) {
        popUpMenu();
    } else if (reason == QSystemTrayIcon::Context && menu_->isVisible()) {
        // Qt opened it at the pointer, over the icon.
        menu_->move(menuPlace(menu_->size()));
    }
}

QPoint MenuBarItem::menuPlace(const QSize& menuSize) const {
    // Beside a StatusNotifier host the tray icon is hidden and its geometry means nothing: the
    // click was on the host's icon, under the pointer.
    const QRect icon = notifierItem_ ? QRect() : tray_.geometry();
    const QPoint pointer = QCursor::pos();
    const QScreen* screen = QGuiApplication::screenAt(icon.isValid() ? icon.center() : pointer);
    if (!screen) {
        return pointer;
    }
    // The work area: an icon smaller than its panel would otherwise put the menu over the panel.
    return menuPosition(
        icon.isValid() ? icon : QRect(pointer, QSize(1, 1)),
        workArea(screen->geometry(), screen->availableGeometry(), screen->devicePixelRatio()),
        menuSize);
}

QRect MenuBarItem::workArea(const QRect& geometry, const QRect& available, qreal pixelRatio) {
    QRect area = available;
    if (!geometry.contains(area) && pixelRatio > 1) {
        const QPoint offset = area.topLeft() - geometry.topLeft();
        area.moveTopLeft(geometry.topLeft() + (QPointF(offset) / pixelRatio).toPoint());
    }
    area &= geometry;
    return area.isEmpty() ? geometry : area;
}

QPoint MenuBarItem::menuPosition(const QRect& icon, const QRect& area, const QSize& menuSize) {
    const bool upperHalf = icon.center().y() < area.center().y();
    const int y = upperHalf ? std::max(icon.bottom() + 1, area.top())
                            : std::min(icon.top(), area.bottom() + 1) - menuSize.height();
    const int rightmost = std::max(area.left(), area.right() + 1 - menuSize.width());
    return {std::clamp(icon.left(), area.left(), rightmost), y};
}

} // namespace quillbar
