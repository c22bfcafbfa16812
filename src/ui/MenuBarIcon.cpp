// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuBarIcon.h"

#include "observer/SpaceObserver.h"
#include "ui/EmojiFont.h"

#include <QFont>
#include <QFontMetricsF>
#include <QIconEngine>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <map>
#include <utility>

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

QFont badgeFont(int pixels) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setPixelSize(pixels);
    return font;
}

// The largest pixel size, up to 11/16 of the icon, at which advance(pixels) fits width; at least 6.
template <typename Advance> int badgePixels(int size, qreal width, Advance advance) {
    int pixels = size * 11 / 16;
    while (pixels > 6 && advance(pixels) > width) {
        --pixels;
    }
    return pixels;
}

void drawBadge(QPainter& painter, const QString& badge, int size) {
    // Small icons use every pixel: at 16 px the digits need the whole square.
    const qreal inset = size < 24 ? 0 : size / 16.0;
    const QRectF frame(inset, inset, size - 2 * inset, size - 2 * inset);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2b, 0x57, 0x9a));
    painter.drawRoundedRect(frame, size / 5.0, size / 5.0);
    // A light rim keeps the square apart from a panel of the same blue; at 16 px the digits
    // need those pixels.
    if (size >= 20) {
        const qreal rim = size / 16.0;
        painter.setPen(QPen(QColor(255, 255, 255, 220), rim));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(frame.adjusted(rim / 2, rim / 2, -rim / 2, -rim / 2), size / 5.0,
                                size / 5.0);
    }
    painter.setPen(Qt::white);
    const qreal width = frame.width() - std::max(2.0, size / 8.0);
    painter.setFont(badgeFont(badgePixels(size, width, [&](int pixels) {
        return QFontMetricsF(badgeFont(pixels)).horizontalAdvance(badge);
    })));
    painter.drawText(frame, Qt::AlignCenter, badge);
}

// Draws the content afresh at whatever size and pixel ratio the tray asks for, so the icon is
// never a scaled copy of another size; each size once, as a tray asks again on every repaint.
class ContentIconEngine : public QIconEngine {
public:
    explicit ContentIconEngine(MenuBarIcon::Content content)
        : content_(std::move(content)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const int side = std::min(rect.width(), rect.height());
        QImage image = imageAt(qRound(side * ratio));
        image.setDevicePixelRatio(ratio);
        painter->drawImage(QRect(rect.topLeft(), QSize(side, side)), image);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    // scale is the ratio the pixmap is for. Qt before 6.8 passes size in device pixels, Qt 6.8
    // and later in logical ones.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal scale) override {
        int side = std::min(size.width(), size.height());
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        side = qRound(side * scale);
#endif
        QPixmap result = QPixmap::fromImage(imageAt(side));
        result.setDevicePixelRatio(scale);
        return result;
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        return {side, side};
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        // What a tray that asks for a list (a StatusNotifier host) receives.
        QList<QSize> sizes;
        for (const int side : {16, 22, 24, 32, 44, 48, 64})
            sizes << QSize(side, side);
        return sizes;
    }
    QString key() const override {
        return QStringLiteral("quillbar-tray");
    }
    QIconEngine* clone() const override {
        return new ContentIconEngine(content_);
    }

private:
    QImage imageAt(int size) {
        auto found = images_.find(size);
        if (found == images_.end()) {
            found = images_.emplace(size, MenuBarIcon::render(content_, size)).first;
        }
        return found->second;
    }

    MenuBarIcon::Content content_;
    std::map<int, QImage> images_; // a tray asks for a handful of sizes
};

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
    return QIcon(new ContentIconEngine(content));
}

} // namespace quillbar
