// SPDX-License-Identifier: GPL-3.0-or-later
// The emoji catalogue, how its entries draw, and the picker with its grid.
#include "ui/EmojiCatalog.h"
#include "ui/EmojiCell.h"
#include "ui/EmojiFont.h"
#include "ui/EmojiGrid.h"
#include "ui/EmojiPicker.h"
#include "ui/EmojiSearch.h"

#include <QLabel>
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

// Each entry's scalars in hexadecimal, entries separated by "; ".
std::string scalarsOf(const std::vector<std::string>& entries) {
    QStringList result;
    for (const std::string& entry : entries) {
        QStringList scalars;
        for (char32_t c : QString::fromStdString(entry).toUcs4())
            scalars << QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
        result << scalars.join(' ');
    }
    return result.join("; ").toStdString();
}

TEST(EmojiCatalogTest, SixGroupsOf140EmojiWithTheirExactScalars) {
    const std::pair<const char*, const char*> expected[] = {
        {"Work", "1F4BB; 1F5A5 FE0F; 2328 FE0F; 1F5B1 FE0F; 1F4F1; 1F5C2 FE0F; 1F4C1; 1F4C2; "
                 "1F4C4; 1F4CB; 1F4CA; 1F4C8; 1F4C9; 1F9FE; 1F4DD; 270F FE0F; 1F58A FE0F; 1F4D0; "
                 "1F4CC; 1F4CE; 1F5D2 FE0F; 1F4C5; 1F4C6; 23F0; 23F1 FE0F; 1F516; 1F3F7 FE0F; "
                 "1F4BC; 1F5C4 FE0F; 1F5A8 FE0F"},
        {"Communication", "1F4EC; 1F4E8; 1F4E7; 2709 FE0F; 1F4EE; 1F4AC; 1F5E8 FE0F; 1F4DE; "
                          "260E FE0F; 1F4E3; 1F4E2; 1F514; 1F4E1; 1F310; 1F517; 1F4F6; 1F4A1; "
                          "2753; 2757; 2705"},
        {"Building", "1F6E0 FE0F; 1F527; 1F528; 2699 FE0F; 1F9F0; 1FA9B; 1F9EA; 1F52C; 1F9EC; "
                     "2697 FE0F; 1F41B; 1F680; 1F9E9; 1F510; 1F511; 1F5DD FE0F; 1F4E6; "
                     "1F3D7 FE0F; 1F9F1; 26A1"},
        {"Creative", "1F3A8; 1F58C FE0F; 1F58D FE0F; 2712 FE0F; 1F4F7; 1F4F8; 1F3A5; 1F3AC; "
                     "1F3B5; 1F3A7; 1F3B9; 1F3B8; 1F5BC FE0F; 2728; 1F308; 1F3AF; 1FA84; 1F9E0; "
                     "1F4AD; 1F52E"},
        {"Life", "1F3E0; 1F3E1; 2615; 1F375; 1F34E; 1F957; 1F3C3; 1F9D8; 1F6CF FE0F; 1F6D2; "
                 "1F4B0; 1F4B3; 1F381; 1F389; 1F436; 1F431; 1F331; 1F33F; 1F31E; 1F319"},
        {"Marks", "1F534; 1F7E0; 1F7E1; 1F7E2; 1F535; 1F7E3; 26AB; 26AA; 1F7E4; 1F536; 2B50; "
                  "2764 FE0F; 1F9E1; 1F49B; 1F49A; 1F499; 1F49C; 1F5A4; 1F90D; 1F90E; "
                  "0031 FE0F 20E3; 0032 FE0F 20E3; 0033 FE0F 20E3; 0034 FE0F 20E3; "
                  "0035 FE0F 20E3; 0036 FE0F 20E3; 0037 FE0F 20E3; 0038 FE0F 20E3; "
                  "0039 FE0F 20E3; 1F51F"},
    };
    const auto& groups = EmojiCatalog::groups();
    ASSERT_EQ(groups.size(), std::size(expected));
    std::size_t total = 0;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        EXPECT_EQ(groups[i].name, expected[i].first);
        EXPECT_EQ(scalarsOf(groups[i].emoji), expected[i].second) << groups[i].name;
        total += groups[i].emoji.size();
    }
    EXPECT_EQ(total, 140u);
}

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
    // Every group under its title; every cell 30 wide, in 10 columns 32 apart inside the popup.
    QStringList titles;
    for (QLabel* label : grid->findChildren<QLabel*>())
        titles << label->text();
    for (const char* title :
         {"Choose an emoji", "WORK", "COMMUNICATION", "BUILDING", "CREATIVE", "LIFE", "MARKS"})
        EXPECT_TRUE(titles.contains(title)) << title;
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

TEST(EmojiPickerTest, TypingSearchesArrowsMoveReturnPicks) {
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
    QTest::keyClicks(focus, "rock");
    ASSERT_GE(grid->cells().size(), 3u);
    EXPECT_EQ(grid->currentCell()->emoji(), EmojiSearch::find("rock", 60).front());
    QTest::keyClick(focus, Qt::Key_Down);
    QTest::keyClick(focus, Qt::Key_Up);
    QTest::keyClick(focus, Qt::Key_Escape);
    EXPECT_TRUE(grid && grid->isVisible());
    EXPECT_EQ(grid->cells().size(), 140u);
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
