#include "ui/MenuBarIcon.h"

#include "observer/SpaceObserver.h"
#include "ui/EmojiFont.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QTextBoundaryFinder>

namespace quillbar {

namespace {

// The first user-perceived character of text.
QString firstCharacter(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    const qsizetype end = finder.toNextBoundary();
    return end > 0 ? text.left(end) : text;
}

void drawEmoji(QPainter& painter, const QString& emoji, int size) {
    painter.setFont(EmojiFont::font(size * 13 / 16));
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, EmojiFont::displayText(emoji));
}

void drawBadge(QPainter& painter, const QString& badge, int size) {
    const qreal inset = size / 16.0;
    const QRectF frame(inset, inset, size - 2 * inset, size - 2 * inset);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2b, 0x57, 0x9a));
    painter.drawRoundedRect(frame, size / 5.0, size / 5.0);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    // Two digits need a smaller size than one to fit the square.
    font.setPixelSize(badge.size() > 1 ? size * 9 / 20 : size * 5 / 8);
    font.setHintingPreference(QFont::PreferFullHinting);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(frame, Qt::AlignCenter, badge);
}

} // namespace

MenuBarIcon::Content MenuBarIcon::contentFor(const SpaceObserver& observer) {
    for (const SpaceInfo& space : observer.spaces()) {
        if (!space.isCurrent) {
            continue;
        }
        if (space.persistenceID) {
            const std::string emoji = observer.nameStore().assignment(*space.persistenceID).emoji;
            if (!emoji.empty()) {
                return {QString::fromStdString(emoji), {}};
            }
        }
        if (space.desktopIndex) {
            return {{}, QString::number(*space.desktopIndex)};
        }
        return {{}, firstCharacter(QString::fromStdString(observer.title(space, false)))};
    }
    return {{}, QStringLiteral("?")};
}

QImage MenuBarIcon::render(const Content& content, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    if (!content.emoji.isEmpty()) {
        drawEmoji(painter, content.emoji, size);
    } else {
        drawBadge(painter, content.badge, size);
    }
    return image;
}

QIcon MenuBarIcon::icon(const Content& content) {
    QIcon result;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        result.addPixmap(QPixmap::fromImage(render(content, size)));
    }
    return result;
}

} // namespace quillbar
