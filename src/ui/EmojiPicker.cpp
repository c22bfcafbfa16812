// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EmojiPicker.h"

#include "ui/EmojiFont.h"
#include "ui/EmojiGrid.h"
#include "ui/EmojiName.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace quillbar {

namespace {
constexpr QSize pickerSize{64, 22};
constexpr QSize buttonSize{44, 22};
constexpr int plusPixelSize = 13;
constexpr int buttonEmojiPixelSize = 16;
} // namespace

EmojiPicker::EmojiPicker(QWidget* parent)
    : QWidget(parent)
    , button_(new QPushButton(this)) {
    setFixedSize(pickerSize);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(button_, 0, Qt::AlignCenter);
    button_->setObjectName(QStringLiteral("emojiPickerButton"));
    button_->setFixedSize(buttonSize);
    button_->setAutoDefault(false);
    // Reached by Tab; a click leaves the focus where it was (the row puts it in its name field).
    button_->setFocusPolicy(Qt::TabFocus);
    button_->installEventFilter(this);
    connect(button_, &QPushButton::clicked, this, &EmojiPicker::openGrid);
    updateButton();
}

void EmojiPicker::setEmoji(const QString& emoji) {
    emoji_ = emoji;
    updateButton();
}

void EmojiPicker::openGrid() {
    if (grid_)
        grid_->close();
    auto* grid = new EmojiGrid(emoji_, EmojiGrid::Columns{}, this);
    grid->setWindowFlags(Qt::Popup);
    grid->setAttribute(Qt::WA_DeleteOnClose);
    connect(grid, &EmojiGrid::picked, this, &EmojiPicker::choose);
    connect(grid, &EmojiGrid::cleared, this, [this] { choose(QString()); });

    // Below the button, centred on it, kept on the button's screen.
    const QPoint below = button_->mapToGlobal(QPoint(button_->width() / 2, button_->height()));
    QPoint topLeft(below.x() - grid->width() / 2, below.y() + 2);
    if (QScreen* screen = button_->screen()) {
        const QRect area = screen->availableGeometry();
        topLeft.setX(std::clamp(topLeft.x(), area.left(), area.right() - grid->width() + 1));
        if (topLeft.y() + grid->height() > area.bottom() + 1)
            topLeft.setY(button_->mapToGlobal(QPoint(0, 0)).y() - grid->height() - 2);
    }
    grid->move(topLeft);
    grid_ = grid;
    grid->show();
    grid->setFocus(Qt::PopupFocusReason);
}

bool EmojiPicker::eventFilter(QObject* watched, QEvent* event) {
    // Space opens the grid through the button's click; Return must not reach the window, where
    // it would mean "Done".
    if (watched == button_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openGrid();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void EmojiPicker::choose(const QString& emoji) {
    setEmoji(emoji);
    if (grid_)
        grid_->close();
    emit emojiPicked(emoji);
}

void EmojiPicker::updateButton() {
    QFont font = emoji_.isEmpty() ? this->font() : EmojiFont::font(buttonEmojiPixelSize);
    if (emoji_.isEmpty())
        font.setPixelSize(plusPixelSize);
    button_->setFont(font);
    button_->setText(emoji_.isEmpty() ? QStringLiteral("+") : EmojiFont::displayText(emoji_));
    QPalette palette = button_->palette();
    palette.setColor(QPalette::ButtonText, emoji_.isEmpty()
                                               ? palette.color(QPalette::PlaceholderText)
                                               : palette.color(QPalette::WindowText));
    button_->setPalette(palette);
    button_->setToolTip(emoji_.isEmpty() ? tr("Choose an emoji") : tr("Change the emoji"));
    button_->setAccessibleName(emoji_.isEmpty() ? tr("No emoji") : EmojiName::of(emoji_));
}

} // namespace quillbar
