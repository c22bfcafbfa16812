#include "ui/MenuBarItem.h"

#include "model/SpaceNameStore.h"
#include "observer/SpaceObserver.h"

#include <QCursor>
#include <QMenu>

namespace quillbar {

MenuBarItem::MenuBarItem(SpaceObserver& observer, QMenu* menu, QObject* parent)
    : QObject(parent)
    , observer_(observer)
    , menu_(menu) {
    tray_.setContextMenu(menu_);
    connect(&tray_, &QSystemTrayIcon::activated, this, &MenuBarItem::activated);
    // Publishers announce before they store; the item reads the values on the next turn.
    subscriptions_.push_back(observer_.subscribe([this] { scheduleUpdate(); }));
    subscriptions_.push_back(
        observer_.nameStore().subscribe([this](const auto&) { scheduleUpdate(); }));
    update();
}

MenuBarItem::~MenuBarItem() = default;

void MenuBarItem::show() {
    // Without a tray the icon stays registered and Qt docks it when a tray shows up.
    tray_.show();
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

void MenuBarItem::scheduleUpdate() {
    if (updatePending_) {
        return;
    }
    updatePending_ = true;
    QMetaObject::invokeMethod(
        this, [this] { update(); }, Qt::QueuedConnection);
}

void MenuBarItem::update() {
    updatePending_ = false;
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
    const MenuBarIcon::Content content = MenuBarIcon::contentFor(observer_);
    if (!hasIcon_ || content != content_) {
        hasIcon_ = true;
        content_ = content;
        tray_.setIcon(MenuBarIcon::icon(content_));
    }
}

void MenuBarItem::activated(QSystemTrayIcon::ActivationReason reason) {
    // A left click opens the same menu as a right click (which Qt opens by itself).
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
        menu_->popup(QCursor::pos());
    }
}

} // namespace quillbar
