#include "ui/EmojiPicker.h"
#include "ui/EmojiCatalog.h"
#include "ui/EmojiCell.h"
#include "ui/EmojiGrid.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace quillbar {
namespace {

const QString rocket = QString::fromUcs4(U"\U0001F680");
const QString keycapOne = QString::fromUcs4(U"1\uFE0F\u20E3");

class EmojiPickerTest : public testing::Test {
protected:
    EmojiPickerTest() {
        window.resize(200, 100);
        picker = new EmojiPicker(&window);
        window.show();
    }

    EmojiGrid* open() {
        QTest::mouseClick(picker->button(), Qt::LeftButton);
        return picker->grid();
    }

    EmojiCell* cell(EmojiGrid* grid, const QString& emoji) {
        const auto& cells = grid->cells();
        auto it = std::find_if(cells.begin(), cells.end(),
                               [&](EmojiCell* c) { return c->emoji() == emoji; });
        return it == cells.end() ? nullptr : *it;
    }

    static int selectedCount(EmojiGrid* grid) {
        return static_cast<int>(std::count_if(grid->cells().begin(), grid->cells().end(),
                                              [](EmojiCell* c) { return c->isSelected(); }));
    }

    QWidget window;
    EmojiPicker* picker;
};

TEST_F(EmojiPickerTest, PickThenClearCloseTheGridAndChangeTheButton) {
    QSignalSpy picks(picker, &EmojiPicker::emojiPicked);
    EXPECT_EQ(picker->button()->text(), "+");
    EXPECT_EQ(picker->button()->toolTip(), "Choose an emoji");

    QPointer<EmojiGrid> grid = open();
    ASSERT_TRUE(grid);
    EXPECT_TRUE(grid->isVisible());
    EXPECT_TRUE(grid->windowFlags().testFlag(Qt::Popup));
    EXPECT_FALSE(grid->clearButton()->isEnabled());
    EXPECT_EQ(selectedCount(grid), 0);

    QTest::mouseClick(cell(grid, rocket), Qt::LeftButton);
    EXPECT_TRUE(!grid || !grid->isVisible());
    EXPECT_EQ(picker->emoji(), rocket);
    EXPECT_EQ(picker->button()->text(), rocket);
    EXPECT_EQ(picker->button()->font().pixelSize(), 16);
    EXPECT_EQ(picker->button()->font().family(), "Noto Color Emoji");
    EXPECT_EQ(picker->button()->toolTip(), "Change the emoji");
    ASSERT_EQ(picks.size(), 1);
    EXPECT_EQ(picks[0][0].toString(), rocket);

    // Reopened, the grid marks the chosen entry and offers "Clear".
    grid = open();
    ASSERT_TRUE(grid);
    EXPECT_TRUE(cell(grid, rocket)->isSelected());
    EXPECT_EQ(selectedCount(grid), 1);
    ASSERT_TRUE(grid->clearButton()->isEnabled());
    QTest::mouseClick(grid->clearButton(), Qt::LeftButton);
    EXPECT_TRUE(!grid || !grid->isVisible());
    EXPECT_EQ(picker->emoji(), "");
    EXPECT_EQ(picker->button()->text(), "+");
    EXPECT_EQ(picker->button()->toolTip(), "Choose an emoji");
    ASSERT_EQ(picks.size(), 2);
    EXPECT_EQ(picks[1][0].toString(), "");
}

TEST_F(EmojiPickerTest, EscapeClosesTheGridAndChangesNothing) {
    picker->setEmoji(rocket);
    QSignalSpy picks(picker, &EmojiPicker::emojiPicked);
    QPointer<EmojiGrid> grid = open();
    ASSERT_TRUE(grid);
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_TRUE(!grid || !grid->isVisible());
    EXPECT_EQ(picker->emoji(), rocket);
    EXPECT_EQ(picks.size(), 0);
}

TEST_F(EmojiPickerTest, AnEmojiOutsideTheCatalogueShowsButMarksNoCell) {
    const QString grinning = QString::fromUcs4(U"\U0001F600");
    picker->setEmoji(grinning);
    EmojiGrid* grid = open();
    EXPECT_EQ(picker->button()->text(), grinning);
    EXPECT_EQ(selectedCount(grid), 0);
    EXPECT_TRUE(grid->clearButton()->isEnabled());
}

TEST_F(EmojiPickerTest, TheGridShowsEveryGroupInTenWholeColumns) {
    EmojiGrid* grid = open();
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->size(), QSize(340, 300));

    std::set<QString> titles;
    for (QLabel* label : grid->findChildren<QLabel*>())
        titles.insert(label->text());
    for (const char* title :
         {"Choose an emoji", "WORK", "COMMUNICATION", "BUILDING", "CREATIVE", "LIFE", "MARKS"})
        EXPECT_TRUE(titles.contains(title)) << title;

    // Every cell is 30 wide; each group's cells sit in 10 columns 32 apart, inside the popup.
    ASSERT_EQ(grid->cells().size(), 140u);
    std::map<int, int> cellsPerColumn;
    const int firstX = grid->cells().front()->mapTo(grid, QPoint()).x();
    for (EmojiCell* c : grid->cells()) {
        const QPoint at = c->mapTo(grid, QPoint());
        EXPECT_EQ(c->width(), 30);
        EXPECT_EQ((at.x() - firstX) % 32, 0);
        EXPECT_GE(at.x(), 0);
        EXPECT_LE(at.x() + c->width(), grid->width());
        ++cellsPerColumn[(at.x() - firstX) / 32];
    }
    EXPECT_EQ(cellsPerColumn.size(), 10u);
    EXPECT_EQ(cell(grid, keycapOne)->toolTip(), keycapOne);
}

} // namespace
} // namespace quillbar
