#include "ui/SettingsSpaceRow.h"
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"
#include "ui/EmojiGrid.h"
#include "ui/EmojiPicker.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace quillbar {
namespace {

const std::string rocket = "\xF0\x9F\x9A\x80"; // U+1F680

SpaceInfo desktop(std::string key, int number, bool current = false) {
    SpaceInfo space;
    space.id = key;
    space.persistenceID = std::move(key);
    space.displayIdentifier = "37D8832A-2D66-02CA-B9F7-8F30A301B230";
    space.desktopIndex = number;
    space.missionControlIndex = number - 1;
    space.isCurrent = current;
    return space;
}

class SettingsSpaceRowTest : public testing::Test {
protected:
    SettingsSpaceRow& makeRow(const SpaceInfo& space,
                              std::optional<std::string> displayName = "Built-in Display") {
        row = std::make_unique<SettingsSpaceRow>(space, displayName, store);
        row->resize(660, 40);
        row->show();
        return *row;
    }

    MemoryDefaults defaults;
    SpaceNameStore store{defaults};
    std::unique_ptr<SettingsSpaceRow> row;
};

TEST_F(SettingsSpaceRowTest, EveryKeystrokeIsStoredWhileTheFieldKeepsWhatWasTyped) {
    makeRow(desktop("uuid-1", 1));
    QLineEdit* field = row->nameField();
    EXPECT_EQ(field->placeholderText(), "Desktop 1");

    std::vector<std::string> stored;
    for (QChar c : QStringLiteral("  Mail ")) {
        QTest::keyClick(field, c.toLatin1());
        stored.push_back(store.assignment("uuid-1").name);
    }
    EXPECT_EQ(stored, (std::vector<std::string>{"", "", "M", "Ma", "Mai", "Mail", "Mail"}));
    EXPECT_EQ(field->text(), "  Mail ");

    // Deleting every character (no emoji) removes the entry; the default name shows again.
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_FALSE(store.assignments().contains("uuid-1"));
    EXPECT_EQ(field->text(), "");
}

TEST_F(SettingsSpaceRowTest, LoadsOncePerKeyAndReloadsForANewKey) {
    store.updateName("Mail", "uuid-1");
    store.updateEmoji(rocket, "uuid-1");
    store.updateName("Web", "uuid-2");
    makeRow(desktop("uuid-1", 1));
    EXPECT_EQ(row->nameField()->text(), "Mail");
    EXPECT_EQ(row->picker()->emoji(), QString::fromStdString(rocket));

    // A new state of the same space leaves what is in the field alone.
    QTest::keyClicks(row->nameField(), " box");
    store.updateName("Changed elsewhere", "uuid-1");
    row->setSpace(desktop("uuid-1", 2, true), "Built-in Display");
    EXPECT_EQ(row->nameField()->text(), "Mail box");
    EXPECT_EQ(row->numberLabel()->text(), "2");

    // Another key shows that key's stored values, not the previous text.
    row->setSpace(desktop("uuid-2", 2), "Built-in Display");
    EXPECT_EQ(row->nameField()->text(), "Web");
    EXPECT_EQ(row->picker()->emoji(), "");
    EXPECT_EQ(store.assignment("uuid-1"), (SpaceAssignment{"Changed elsewhere", rocket}));
}

TEST_F(SettingsSpaceRowTest, APickIsStoredAtOnce) {
    store.updateName("Mail", "uuid-1");
    makeRow(desktop("uuid-1", 1));
    QTest::mouseClick(row->picker()->button(), Qt::LeftButton);
    EmojiGrid* grid = row->picker()->grid();
    ASSERT_TRUE(grid);
    grid->picked(QString::fromStdString(rocket));
    EXPECT_EQ(store.assignment("uuid-1"), (SpaceAssignment{"Mail", rocket}));

    QTest::mouseClick(row->picker()->button(), Qt::LeftButton);
    QTest::mouseClick(row->picker()->grid()->clearButton(), Qt::LeftButton);
    EXPECT_EQ(store.assignment("uuid-1"), (SpaceAssignment{"Mail", ""}));
}

TEST_F(SettingsSpaceRowTest, OnlyKeyedDesktopsAndFullScreenSpacesAreEditable) {
    SpaceInfo fullscreen = desktop("fs-key", 0);
    fullscreen.type = SpaceInfo::fullscreenType;
    fullscreen.desktopIndex.reset();
    fullscreen.fullscreenAppName = "Safari";
    makeRow(fullscreen);
    EXPECT_TRUE(row->isEditable());
    EXPECT_FALSE(row->nameField()->isHidden());
    EXPECT_EQ(row->nameField()->placeholderText(), "Safari");
    EXPECT_EQ(row->numberLabel()->text(), "—");

    SpaceInfo other = desktop("other-key", 0);
    other.type = 2;
    SpaceInfo keyless = desktop("x", 3);
    keyless.persistenceID.reset();
    for (const SpaceInfo& space : {other, keyless}) {
        makeRow(space);
        EXPECT_FALSE(row->isEditable());
        EXPECT_TRUE(row->nameField()->isHidden());
        EXPECT_TRUE(row->picker()->isHidden());
        EXPECT_FALSE(row->readOnlyLabel()->isHidden());
        EXPECT_EQ(row->readOnlyLabel()->text(), QString::fromStdString(space.defaultName()));
        EXPECT_FALSE(row->focusName());
    }
    EXPECT_TRUE(store.assignments().empty());
    EXPECT_EQ(defaults.writeCount(), 0u);
}

TEST_F(SettingsSpaceRowTest, DisplayColumnFallsBackToTheIdentifiersStart) {
    makeRow(desktop("uuid-1", 1), "Studio Display");
    EXPECT_EQ(row->displayLabel()->text(), "Studio Display");
    makeRow(desktop("uuid-1", 1), std::nullopt);
    EXPECT_EQ(row->displayLabel()->text(), "37D8832A");
}

TEST_F(SettingsSpaceRowTest, TheCurrentSpaceHasThePrimaryNumber) {
    makeRow(desktop("uuid-1", 1, true));
    const QColor primary = row->palette().color(QPalette::WindowText);
    const QColor secondary = row->palette().color(QPalette::PlaceholderText);
    ASSERT_NE(primary, secondary);
    EXPECT_EQ(row->numberLabel()->palette().color(QPalette::WindowText), primary);
    const QRgb tinted = row->grab().toImage().pixel(2, 2);
    row->setSpace(desktop("uuid-1", 1, false), std::nullopt);
    EXPECT_EQ(row->numberLabel()->palette().color(QPalette::WindowText), secondary);
    EXPECT_NE(row->grab().toImage().pixel(2, 2), tinted);
}

} // namespace
} // namespace quillbar
