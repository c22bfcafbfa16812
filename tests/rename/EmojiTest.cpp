// SPDX-License-Identifier: GPL-3.0-or-later
// The emoji catalogue, how its entries draw, and the picker with its grid.
#include "ui/EmojiCatalog.h"
#include "ui/EmojiCell.h"
#include "ui/EmojiFont.h"
#include "ui/EmojiGrid.h"
#include "ui/EmojiPicker.h"
#include "ui/EmojiSearch.h"

#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace quillbar {
namespace {

QImage drawn(const QString& emoji, QColor pen) {
    QImage image(76, 38, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(pen);
    painter.setFont(EmojiFont::font(19));
    painter.drawText(image.rect(), Qt::AlignCenter, EmojiFont::displayText(emoji));
    return image;
}

TEST(EmojiRenderingTest, EveryEntryDrawsAsOneColourGlyph) {
    for (const auto& group : EmojiCatalog::groups()) {
        for (const std::string& entry : group.emoji) {
            const QImage red = drawn(QString::fromStdString(entry), Qt::red);
            // A colour glyph ignores the pen; a monochrome one would take its colour.
            EXPECT_EQ(red, drawn(QString::fromStdString(entry), Qt::blue)) << entry;
            // One glyph fits the 30-point cell; a keycap drawn as digit and mark would not.
            QRect ink;
            for (int y = 0; y < red.height(); ++y)
                for (int x = 0; x < red.width(); ++x)
                    if (red.pixel(x, y) != qRgb(255, 255, 255))
                        ink |= QRect(x, y, 1, 1);
            EXPECT_LE(ink.width(), 28) << entry;
            EXPECT_GE(ink.width(), 4) << entry;
        }
    }
}

EmojiCell* cell(EmojiGrid* grid, const QString& emoji) {
    for (EmojiCell* c : grid->cells())
        if (c->emoji() == emoji)
            return c;
    return nullptr;
}

int selectedCount(EmojiGrid* grid) {
    return int(std::ranges::count_if(grid->cells(), &EmojiCell::isSelected));
}

// A click or Return on the best match picks; Return without a match does not.
TEST(EmojiPickerTest, ClickOrReturnPicksAndTheGridMarksWhatIsChosen) {
    QWidget window;
    auto* picker = new EmojiPicker(&window);
    window.show();
    QSignalSpy picks(picker, &EmojiPicker::emojiPicked);
    const auto open = [picker] {
        QTest::mouseClick(picker->button(), Qt::LeftButton);
        return QPointer<EmojiGrid>(picker->grid());
    };
    QPointer<EmojiGrid> grid = open();
    ASSERT_TRUE(grid && grid->isVisible());
    EXPECT_FALSE(grid->clearButton()->isEnabled());
    EXPECT_EQ(selectedCount(grid), 0);
    ASSERT_EQ(grid->focusProxy(), grid->searchField());
    QTest::keyClicks(grid->focusProxy(), "zzzqqq");
    EXPECT_EQ(grid->currentCell(), nullptr);
    QTest::keyClick(grid->focusProxy(), Qt::Key_Return);
    EXPECT_TRUE(picks.isEmpty());
    grid->searchField()->setText("rocket");
    QTest::keyClick(grid->focusProxy(), Qt::Key_Return);
    const QString rocket = QString::fromUcs4(U"\U0001F680");
    ASSERT_EQ(picks.size(), 1);
    EXPECT_EQ(picks[0][0].toString(), rocket);
    EXPECT_TRUE(!grid || !grid->isVisible());
    EXPECT_EQ(picker->button()->text(), rocket);

    grid = open(); // marks what is chosen, if it is in the catalogue
    EXPECT_TRUE(cell(grid, rocket)->isSelected());
    EXPECT_EQ(selectedCount(grid), 1);
    const QString heart = QString::fromUcs4(U"\u2764\uFE0F");
    QTest::mouseClick(cell(grid, heart), Qt::LeftButton);
    EXPECT_EQ(picker->emoji(), heart);

    const QString grinning = QString::fromUcs4(U"\U0001F600");
    picker->setEmoji(grinning);
    grid = open();
    EXPECT_EQ(selectedCount(grid), 0);
    EXPECT_TRUE(grid->clearButton()->isEnabled());
    EXPECT_EQ(picks.size(), 2);
}

TEST(EmojiSearchTest, FindsByNameAndKeywordWholeWordsFirst) {
    const auto u = [](const char32_t* text) { return QString::fromUcs4(text); };
    // Whole words (the rock, the keywords' horns and guitar) before the rocket; no mailbox.
    const QStringList rock = EmojiSearch::find("Rock", 60);
    ASSERT_GE(rock.size(), 4);
    const qsizetype rocket = rock.indexOf(u(U"🚀"));
    for (const char32_t* whole : {U"🪨", U"🤘", U"🎸"}) {
        const qsizetype at = rock.indexOf(u(whole));
        EXPECT_TRUE(at >= 0 && at < rocket) << at << " " << rocket;
    }
    EXPECT_FALSE(rock.contains(u(U"📬")));
    // Every word must start one of the emoji's words; catalogue entries keep their selectors.
    EXPECT_EQ(EmojiSearch::find("hot bev", 60), QStringList{u(U"☕")});
    EXPECT_TRUE(EmojiSearch::find("gear", 60).contains(u(U"⚙️")));
    EXPECT_TRUE(EmojiSearch::find("keycap 3", 60).contains(u(U"3️⃣")));
    EXPECT_TRUE(EmojiSearch::find("mail", 60).startsWith(u(U"📬")));
    EXPECT_TRUE(EmojiSearch::find("  ", 60).isEmpty());
    EXPECT_EQ(EmojiSearch::find("face", 5).size(), 5);
    EXPECT_TRUE(EmojiSearch::find(QString(10000, 'a'), 60).isEmpty());
}

} // namespace
} // namespace quillbar
