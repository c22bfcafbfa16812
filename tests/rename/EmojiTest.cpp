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
#include <set>

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
            // A colour glyph ignores the pen; a monochrome outline would take its colour.
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

TEST(EmojiPickerTest, PickClearAndEscapeThenTheButtonShowsWhatIsChosen) {
    QWidget window;
    auto* picker = new EmojiPicker(&window);
    window.show();
    QSignalSpy picks(picker, &EmojiPicker::emojiPicked);
    const auto open = [picker] {
        QTest::mouseClick(picker->button(), Qt::LeftButton);
        return QPointer<EmojiGrid>(picker->grid());
    };
    const auto expectButton = [picker](const QString& text, const char* tooltip) {
        EXPECT_EQ(picker->button()->text(), text);
        EXPECT_EQ(picker->button()->toolTip(), tooltip);
        EXPECT_EQ(picker->emoji(), text == "+" ? "" : text);
    };
    expectButton("+", "Choose an emoji");
    QPointer<EmojiGrid> grid = open();
    ASSERT_TRUE(grid);
    EXPECT_TRUE(grid->isVisible() && grid->windowFlags().testFlag(Qt::Popup));
    EXPECT_FALSE(grid->clearButton()->isEnabled());
    EXPECT_EQ(selectedCount(grid), 0);
    // A border sets the popup apart from the window behind it.
    const QImage picture = grid->grab().toImage();
    for (const QPoint edge : {QPoint(0, 150), QPoint(339, 150), QPoint(170, 0), QPoint(170, 335)})
        EXPECT_LT(qGray(picture.pixel(edge)), qGray(picture.pixel(6, 150)) - 40) << edge.x();
    // Every cell 30 wide, in 10 columns 32 apart inside the popup.
    ASSERT_EQ(grid->cells().size(), 140u);
    std::set<int> columns;
    const int firstX = grid->cells().front()->mapTo(grid, QPoint()).x();
    for (EmojiCell* c : grid->cells()) {
        const int x = c->mapTo(grid, QPoint()).x();
        EXPECT_TRUE(c->width() == 30 && (x - firstX) % 32 == 0 && x >= 0 &&
                    x + c->width() <= grid->width());
        columns.insert(x);
    }
    EXPECT_EQ(columns.size(), 10u);

    const QString rocket = QString::fromUcs4(U"\U0001F680");
    QTest::mouseClick(cell(grid, rocket), Qt::LeftButton);
    EXPECT_TRUE(!grid || !grid->isVisible());
    expectButton(rocket, "Change the emoji");
    // Reopened, the grid marks the chosen entry and offers "Clear".
    grid = open();
    EXPECT_TRUE(cell(grid, rocket)->isSelected());
    EXPECT_EQ(selectedCount(grid), 1);
    QTest::mouseClick(grid->clearButton(), Qt::LeftButton);
    EXPECT_TRUE(!grid || !grid->isVisible());
    expectButton("+", "Choose an emoji");
    ASSERT_EQ(picks.size(), 2);
    EXPECT_EQ(picks[0][0].toString(), rocket);
    EXPECT_EQ(picks[1][0].toString(), "");

    // An emoji outside the catalogue shows but marks no cell; Escape changes nothing.
    const QString grinning = QString::fromUcs4(U"\U0001F600");
    picker->setEmoji(grinning);
    grid = open();
    EXPECT_EQ(selectedCount(grid), 0);
    EXPECT_TRUE(grid->clearButton()->isEnabled());
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_TRUE(!grid || !grid->isVisible());
    expectButton(grinning, "Change the emoji");
    EXPECT_EQ(picks.size(), 2);
}

TEST(EmojiSearchTest, FindsByNameAndKeywordWholeWordsFirst) {
    const auto u = [](const char32_t* text) { return QString::fromUcs4(text); };
    // "rock": the rock itself and the keywords' horns and guitar before the rocket; no mailbox.
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
    EXPECT_TRUE(EmojiSearch::find("qqqzzz", 60).isEmpty());
    EXPECT_EQ(EmojiSearch::find("face", 5).size(), 5);
    EXPECT_TRUE(EmojiSearch::find(QString(10000, 'a'), 60).isEmpty());
}

TEST(EmojiPickerTest, ReturnPicksTheBestMatchAndNothingWithoutOne) {
    QWidget window;
    auto* picker = new EmojiPicker(&window);
    window.show();
    QSignalSpy picks(picker, &EmojiPicker::emojiPicked);
    QTest::mouseClick(picker->button(), Qt::LeftButton);
    QPointer<EmojiGrid> grid = picker->grid();
    ASSERT_TRUE(grid);
    // The keys go where the popup's focus goes: its search field.
    QWidget* focus = grid->focusProxy();
    ASSERT_EQ(focus, grid->searchField());
    QTest::keyClicks(focus, "zzzqqq");
    EXPECT_EQ(grid->currentCell(), nullptr);
    QTest::keyClick(focus, Qt::Key_Return);
    EXPECT_EQ(picks.size(), 0);
    grid->searchField()->setText("rocket");
    QTest::keyClick(focus, Qt::Key_Return);
    ASSERT_EQ(picks.size(), 1);
    EXPECT_EQ(picks[0][0].toString(), QString::fromUcs4(U"🚀"));
}

} // namespace
} // namespace quillbar
