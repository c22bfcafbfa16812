// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EmojiCell.h"

#include "ui/EmojiFont.h"
#include "ui/EmojiName.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace quillbar {

namespace {
constexpr int cellWidth = 30;
constexpr int cellHeight = 28;
constexpr int emojiPixelSize = 19;
constexpr qreal cornerRadius = 5;
constexpr qreal selectedOpacity = 0.28;
constexpr qreal ringWidth = 2;
} // namespace

EmojiCell::EmojiCell(const QString& emoji, bool selected, QWidget* parent)
    : QAbstractButton(parent)
    , emoji_(emoji)
    , selected_(selected) {
    setFixedSize(cellWidth, cellHeight);
    setToolTip(emoji);
    setAccessibleName(EmojiName::of(emoji));
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

void EmojiCell::setCurrent(bool current) {
    if (current == current_)
        return;
    current_ = current;
    update();
}

QSize EmojiCell::sizeHint() const {
    return {cellWidth, cellHeight};
}

void EmojiCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (selected_ || isDown()) {
        QColor fill = palette().color(QPalette::Highlight);
        fill.setAlphaF(selected_ ? selectedOpacity : selectedOpacity / 2);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
        painter.fillPath(shape, fill);
    }
    if (current_) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), ringWidth));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), cornerRadius, cornerRadius);
    }
    painter.setFont(EmojiFont::font(emojiPixelSize));
    painter.drawText(rect(), Qt::AlignCenter, EmojiFont::displayText(emoji_));
}

} // namespace quillbar
