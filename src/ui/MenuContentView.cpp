// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuContentView.h"

#include "model/SpaceNameStore.h"
#include "observer/SpaceObserver.h"
#include "platform/Platform.h"
#include "switching/SpaceSwitcher.h"
#include "ui/EmojiFont.h"

#include <QAction>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QPen>
#include <QPixmap>
#include <QPolygonF>

#include <algorithm>
#include <utility>

namespace quillbar {

using Kind = MenuContent::Entry::Kind;

MenuContentView::MenuContentView(SpaceObserver& observer, SpaceSwitcher& switcher,
                                 SpaceNameStore& nameStore, XdgAutostart autostart, QString version,
                                 QObject* parent)
    : QObject(parent)
    , observer_(observer)
    , switcher_(switcher)
    , nameStore_(nameStore)
    , autostart_(std::move(autostart))
    , menu_(std::make_unique<QMenu>()) {
    state_.version = std::move(version);
    state_.sessionIgnoringLogin = XdgAutostart::currentSessionIgnoringEntries();
    // A refresh publishes the list, the current space and the title one after another: the menu
    // follows once, after all of them.
    subscriptions_.push_back(observer_.subscribe([this] { redrawSoon(); }));
    subscriptions_.push_back(switcher_.subscribe([this] { redrawSoon(); }));
    subscriptions_.push_back(nameStore_.subscribe([this](const auto&) { redrawSoon(); }));
    connect(menu_.get(), &QMenu::aboutToShow, this, &MenuContentView::prepareToShow);
    menu_->installEventFilter(this);
    redraw();
}

MenuContentView::~MenuContentView() = default;

LaunchAtLoginController& MenuContentView::launchAtLogin() {
    if (!launchAtLogin_) {
        launchAtLogin_ =
            std::make_unique<LaunchAtLoginController>(autostart_, observer_.platform().log);
        subscriptions_.push_back(launchAtLogin_->subscribe([this](bool) { redraw(); }));
    }
    return *launchAtLogin_;
}

void MenuContentView::setUpdateState(bool canCheck, bool updateIsWaiting) {
    state_.canCheckForUpdates = canCheck;
    state_.updateIsWaiting = updateIsWaiting;
    redraw();
}

void MenuContentView::prepareToShow() {
    observer_.refresh();
    launchAtLogin().refreshStatus();
    redraw();
}

namespace {

// Whether the two lists have the same items in the same places, each showing perhaps other text
// or state.
bool sameShape(const std::vector<MenuContent::Entry>& a, const std::vector<MenuContent::Entry>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const auto& x, const auto& y) { return x.kind == y.kind; });
}

} // namespace

std::vector<MenuContent::Entry> MenuContentView::currentEntries() {
    state_.launchAtLogin = launchAtLogin().isEnabled();
    return MenuContent::build(observer_, switcher_, state_);
}

void MenuContentView::redraw() {
    std::vector<MenuContent::Entry> entries = currentEntries();
    if (built_ && entries == entries_) {
        return;
    }
    const QList<QAction*> actions = menu_->actions();
    if (!built_ || !sameShape(entries, entries_) ||
        actions.size() != static_cast<qsizetype>(entries.size())) {
        entries_ = std::move(entries);
        rebuild();
        emit entriesChanged();
        return;
    }
    // A desktop change moves a checkmark: the items stay, only what differs is set again.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] != entries_[i]) {
            apply(actions[static_cast<qsizetype>(i)], entries[i], &entries_[i]);
        }
    }
    entries_ = std::move(entries);
    emit entriesChanged();
}

void MenuContentView::rebuild() {
    built_ = true;
    // The action being chosen may be among the old ones: they go once its signal has returned.
    for (QAction* old : menu_->actions()) {
        menu_->removeAction(old);
        old->deleteLater();
    }
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        addAction(i);
    }
}

void MenuContentView::addAction(std::size_t index) {
    const MenuContent::Entry& entry = entries_[index];
    if (entry.kind == Kind::Separator) {
        menu_->addSeparator();
        return;
    }
    QAction* action = menu_->addAction(entry.title);
    apply(action, entry, nullptr);
    if (entry.kind == Kind::Heading) {
        QFont bold = action->font();
        bold.setBold(true);
        action->setFont(bold);
    }
    connect(action, &QAction::triggered, this, [this, index] { choose(index); });
}

void MenuContentView::apply(QAction* action, const MenuContent::Entry& entry,
                            const MenuContent::Entry* previous) {
    if (entry.kind == Kind::Separator) {
        return;
    }
    if (!previous || previous->title != entry.title || previous->emoji != entry.emoji ||
        previous->checked != entry.checked) {
        action->setText(entry.title);
        action->setIcon(QIcon());
        showEmojiAsIcon(action, entry);
    }
    // A desktop row's icon carries its check (showEmojiAsIcon): a style that draws check boxes
    // in a column of their own would otherwise mark the current row twice.
    const bool checkable = entry.checkable && entry.kind != Kind::Space;
    action->setCheckable(checkable);
    action->setChecked(entry.checked); // only a checkable action can be checked
    action->setEnabled(entry.enabled);
    if (!previous || previous->shortcut != entry.shortcut) {
        action->setShortcut(QKeySequence(entry.shortcut));
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
}

void MenuContentView::showEmojiAsIcon(QAction* action, const MenuContent::Entry& entry) {
    // The text font has monochrome forms of some emoji (a heart, a telephone): the emoji is drawn
    // as the row's icon with the colour font, and the text keeps the rest of the title. Some
    // styles draw an icon in the check's place, so every desktop row has one and the current
    // row's carries the check itself: the column reads the same with or without emoji, and in
    // every style.
    if (entry.kind != Kind::Space)
        return;
    const QString lead = entry.emoji + QLatin1Char(' ');
    const bool hasEmoji = !entry.emoji.isEmpty() && entry.title.startsWith(lead);
    if (hasEmoji)
        action->setText(entry.title.mid(lead.size()));
    action->setIcon(spaceIcon(hasEmoji ? entry.emoji : QString(), entry.checked));
}

namespace {

// A filled circle in the highlight colour with a check in the highlighted text's colour, in the
// lower right of an icon of size pixels, the same over an emoji as alone.
void drawCheckBadge(QPainter& painter, int size) {
    const qreal diameter = size * 0.65;
    const QRectF circle(size - diameter, size - diameter, diameter, diameter);
    const QPalette palette = QGuiApplication::palette();
    painter.setPen(QPen(palette.color(QPalette::Base), size / 16.0));
    painter.setBrush(palette.color(QPalette::Highlight));
    painter.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
    QPen tick(palette.color(QPalette::HighlightedText), diameter / 7.0);
    tick.setCapStyle(Qt::RoundCap);
    tick.setJoinStyle(Qt::RoundJoin);
    painter.setPen(tick);
    painter.setBrush(Qt::NoBrush);
    const auto at = [&circle](qreal x, qreal y) {
        return QPointF(circle.left() + x * circle.width(), circle.top() + y * circle.height());
    };
    painter.drawPolyline(QPolygonF{at(0.27, 0.52), at(0.43, 0.68), at(0.73, 0.35)});
}

} // namespace

QIcon MenuContentView::spaceIcon(const QString& emoji, bool current) {
    QIcon icon;
    for (const int size : {16, 20, 24, 32, 40, 48}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                               QPainter::SmoothPixmapTransform);
        if (!emoji.isEmpty()) {
            painter.setFont(EmojiFont::font(size * 7 / 8));
            painter.drawText(image.rect(), Qt::AlignCenter, EmojiFont::displayText(emoji));
        }
        if (current)
            drawCheckBadge(painter, size);
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

bool MenuContentView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != menu_.get() || event->type() != QEvent::KeyPress) {
        return false;
    }
    const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
    for (QAction* action : menu_->actions()) {
        if (!action->shortcut().isEmpty() && action->shortcut() == pressed && action->isEnabled()) {
            menu_->close();
            action->trigger();
            return true;
        }
    }
    return false;
}

void MenuContentView::choose(std::size_t index) {
    if (index >= entries_.size()) {
        return;
    }
    // A copy: the calls below may publish and rebuild the entries.
    perform(MenuContent::Entry(entries_[index]));
    redraw();
    // A checkable row toggles its own check state when chosen; show what the model says instead.
    const QList<QAction*> actions = menu_->actions();
    for (std::size_t i = 0; i < entries_.size() && i < static_cast<std::size_t>(actions.size());
         ++i) {
        actions[static_cast<qsizetype>(i)]->setChecked(entries_[i].checked);
    }
}

void MenuContentView::perform(const MenuContent::Entry& entry) {
    switch (entry.kind) {
    case Kind::Space:
        // The record as it was when the menu was built; the checkmark itself is never written.
        switcher_.switchTo(*entry.space);
        break;
    case Kind::RenameSpaces:
        emit renameRequested();
        break;
    case Kind::LaunchAtLogin:
        launchAtLogin().setEnabled(!entry.checked);
        break;
    case Kind::CheckForUpdates:
        emit checkForUpdatesRequested();
        break;
    case Kind::Quit:
        emit quitRequested();
        break;
    case Kind::Heading:
    case Kind::Text:
    case Kind::Separator:
        break;
    }
}

void MenuContentView::redrawSoon() {
    // A closed menu is brought in line when it opens (prepareToShow): nobody sees it before.
    if (redrawQueued_ || !menu_->isVisible()) {
        return;
    }
    redrawQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            redrawQueued_ = false;
            redraw();
        },
        Qt::QueuedConnection);
}

} // namespace quillbar
