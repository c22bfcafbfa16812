#include "ui/EmojiCell.h"

#include "ui/EmojiFont.h"

#include <QPainter>
#include <QPainterPath>

namespace quillbar {

namespace {
constexpr int cellWidth = 30;
constexpr int cellHeight = 28;
constexpr int emojiPixelSize = 19;
constexpr qreal cornerRadius = 5;
constexpr qreal selectedOpacity = 0.28;
} // namespace

EmojiCell::EmojiCell(const QString& emoji, bool selected, QWidget* parent)
    : QAbstractButton(parent)
    , emoji_(emoji)
    , selected_(selected) {
    setFixedSize(cellWidth, cellHeight);
    setToolTip(emoji);
    setAccessibleName(emoji);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
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
    painter.setFont(EmojiFont::font(emojiPixelSize));
    painter.drawText(rect(), Qt::AlignCenter, EmojiFont::displayText(emoji_));
}

} // namespace quillbar
