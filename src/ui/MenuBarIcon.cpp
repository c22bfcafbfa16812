#include "ui/MenuBarIcon.h"

#include "observer/SpaceObserver.h"
#include "ui/EmojiFont.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QRawFont>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

namespace quillbar {

namespace {

int draws = 0;
// Enough for a few dozen desktops at the sizes one tray asks for.
constexpr std::size_t kMaxCachedImages = 128;

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

// Text that reads the same drawn glyph by glyph as shaped: ASCII digits, or one ASCII character.
bool needsNoShaping(const QString& text) {
    const auto ascii = [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7f; };
    const auto digit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    return (text.size() == 1 && ascii(text.front())) ||
           (!text.isEmpty() && std::all_of(text.begin(), text.end(), digit));
}

// The glyphs' hinted advances, which the painter uses for text too.
QList<QPointF> advancesOf(const QRawFont& font, const QList<quint32>& glyphs) {
    return font.advancesForGlyphIndexes(glyphs, QRawFont::SeparateAdvances);
}

qreal widthOf(const QList<QPointF>& advances) {
    qreal width = 0;
    for (const QPointF& step : advances) {
        width += step.x();
    }
    return width;
}

// Draws text centred in frame glyph by glyph, exactly as drawText() would, when it needs no
// shaping and the font has every glyph: a tray showing a desktop number then never loads the
// text shaper, most of a megabyte of an idle tray's memory.
bool drawGlyphs(QPainter& painter, const QString& text, int size, const QRectF& frame,
                qreal width) {
    if (!needsNoShaping(text)) {
        return false;
    }
    const QList<quint32> glyphs = QRawFont::fromFont(badgeFont(size)).glyphIndexesForString(text);
    if (glyphs.size() != text.size() || glyphs.contains(0u)) {
        return false;
    }
    const int pixels = badgePixels(size, width, [&](int candidate) {
        return widthOf(advancesOf(QRawFont::fromFont(badgeFont(candidate)), glyphs));
    });
    const QRawFont font = QRawFont::fromFont(badgeFont(pixels));
    QList<QPointF> positions;
    qreal x = 0;
    for (const QPointF& step : advancesOf(font, glyphs)) {
        positions << QPointF(x, 0);
        x += step.x();
    }
    QGlyphRun run;
    run.setRawFont(font);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    const QPointF origin(frame.left() + (frame.width() - x) / 2,
                         frame.top() + (frame.height() - font.ascent() - font.descent()) / 2 +
                             font.ascent());
    painter.drawGlyphRun(origin, run);
    return true;
}

void drawBadge(QPainter& painter, const QString& badge, int size) {
    // Small icons use every pixel: at 16 px the digits need the whole square.
    const qreal inset = size < 24 ? 0 : size / 16.0;
    const QRectF frame(inset, inset, size - 2 * inset, size - 2 * inset);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2b, 0x57, 0x9a));
    painter.drawRoundedRect(frame, size / 5.0, size / 5.0);
    painter.setPen(Qt::white);
    const qreal width = frame.width() - std::max(2.0, size / 8.0);
    if (drawGlyphs(painter, badge, size, frame, width)) {
        return;
    }
    painter.setFont(badgeFont(badgePixels(size, width, [&](int pixels) {
        return QFontMetricsF(badgeFont(pixels)).horizontalAdvance(badge);
    })));
    painter.drawText(frame, Qt::AlignCenter, badge);
}

// Draws the content afresh at whatever size and pixel ratio the tray asks for, so the icon is
// never a scaled copy of another size.
class ContentIconEngine : public QIconEngine {
public:
    explicit ContentIconEngine(MenuBarIcon::Content content)
        : content_(std::move(content)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const int side = std::min(rect.width(), rect.height());
        QImage image = MenuBarIcon::cachedRender(content_, qRound(side * ratio));
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
        QPixmap result = QPixmap::fromImage(MenuBarIcon::cachedRender(content_, side));
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
    MenuBarIcon::Content content_;
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

QImage MenuBarIcon::cachedRender(const Content& content, int size) {
    using Key = std::tuple<QString, QString, int>;
    static std::map<Key, QImage> images;
    const Key key{content.emoji, content.badge, size};
    if (const auto found = images.find(key); found != images.end()) {
        return found->second;
    }
    if (images.size() >= kMaxCachedImages) {
        images.clear(); // rarely: more contents than desktops anyone keeps
    }
    return images.emplace(key, render(content, size)).first->second;
}

int MenuBarIcon::drawCount() {
    return draws;
}

QImage MenuBarIcon::render(const Content& content, int size) {
    ++draws;
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
