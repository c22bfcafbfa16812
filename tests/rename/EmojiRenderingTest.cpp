#include "RenameFixture.h"
#include "ui/EmojiCatalog.h"
#include "ui/EmojiCell.h"
#include "ui/EmojiFont.h"
#include "ui/EmojiGrid.h"
#include "ui/EmojiPicker.h"
#include "ui/SettingsSpaceRow.h"
#include "ui/SettingsView.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace quillbar::test {
namespace {

// Where screenshots go when a run asks for them.
void keep(const QImage& image, const QString& name) {
    const QString dir = qEnvironmentVariable("QUILLBAR_SCREENSHOT_DIR");
    if (!dir.isEmpty() && QDir().mkpath(dir))
        image.save(dir + '/' + name);
}

// The bounding box of everything drawn on white.
QRect inkOf(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

QImage drawn(const QString& emoji, int pixelSize, QColor pen) {
    QImage image(pixelSize * 4, pixelSize * 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(pen);
    painter.setFont(EmojiFont::font(pixelSize));
    painter.drawText(image.rect(), Qt::AlignCenter, EmojiFont::displayText(emoji));
    return image;
}

TEST(EmojiRenderingTest, EveryEntryDrawsAsOneColourGlyph) {
    for (const auto& group : EmojiCatalog::groups()) {
        for (const std::string& entry : group.emoji) {
            const QString emoji = QString::fromStdString(entry);
            const QImage red = drawn(emoji, 19, Qt::red);
            // A colour glyph ignores the pen; a monochrome outline would take its colour.
            EXPECT_EQ(red, drawn(emoji, 19, Qt::blue)) << entry;
            // One glyph fits the 30-point cell; a keycap drawn as digit and mark would not.
            const QRect ink = inkOf(red);
            EXPECT_LE(ink.width(), 28) << entry;
            EXPECT_GE(ink.width(), 4) << entry;
        }
    }
}

class RenameWindowPictures : public RenameFixture {};

TEST_F(RenameWindowPictures, WindowAndGridDrawWhole) {
    store.updateName("Mail", "uuid-1");
    store.updateEmoji("\xF0\x9F\x93\xAC", "uuid-1");          // U+1F4EC
    store.updateEmoji("3\xEF\xB8\x8F\xE2\x83\xA3", "uuid-2"); // keycap 3
    settle();
    SettingsView view(observer, store, defaults);
    view.resize(700, 460);
    view.show();
    settle();
    const QImage window = view.grab().toImage();
    keep(window, "rename-window.png");
    EXPECT_EQ(window.size(), QSize(700, 460) * window.devicePixelRatio());

    SettingsSpaceRow* row = view.rows().front();
    QTest::mouseClick(row->picker()->button(), Qt::LeftButton);
    EmojiGrid* grid = row->picker()->grid();
    ASSERT_NE(grid, nullptr);
    keep(grid->grab().toImage(), "emoji-grid.png");
    grid->close();
}

} // namespace
} // namespace quillbar::test
