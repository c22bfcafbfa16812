#include "ui/MenuContent.h"
#include "MenuFixture.h"

#include <QStringList>

namespace quillbar::test {
namespace {

using Entry = MenuContent::Entry;
using Kind = Entry::Kind;

QStringList titles(const std::vector<Entry>& entries) {
    QStringList result;
    for (const Entry& entry : entries) {
        result << (entry.kind == Kind::Separator ? QStringLiteral("---") : entry.title);
    }
    return result;
}

std::vector<Entry> spaceRows(const std::vector<Entry>& entries) {
    std::vector<Entry> rows;
    for (const Entry& entry : entries) {
        if (entry.kind == Kind::Space) {
            rows.push_back(entry);
        }
    }
    return rows;
}

class MenuContentTest : public MenuFixture {
protected:
    std::vector<Entry> build(MenuContent::State state = {}) {
        state.version = QStringLiteral("1.2.3");
        return MenuContent::build(*observer, state);
    }
};

TEST_F(MenuContentTest, OneDisplayListsEveryDesktopWithoutHeadingThenTheCommands) {
    const auto entries = build();
    EXPECT_EQ(titles(entries),
              (QStringList{"Desktop 1", "Desktop 2", "Desktop 3", "Desktop 4", "---",
                           "Rename Spaces…", "---", "Launch at Login", "---", "Check for Updates…",
                           "Quillbar v1.2.3", "Quit"}));
    const auto rows = spaceRows(entries);
    ASSERT_EQ(rows.size(), 4u);
    for (const Entry& row : rows) {
        EXPECT_TRUE(row.checkable);
        EXPECT_EQ(row.checked, row.space->isCurrent) << row.title.toStdString();
    }
    EXPECT_EQ(entries.back().shortcut, "Ctrl+Q");
    EXPECT_FALSE(entries[10].enabled); // the version line is inert
}

TEST_F(MenuContentTest, RowsAreEnabledExactlyWhenTheObserverCanSwitch) {
    fake.keyboard.trusted = false;
    fake.workspace.anchorCreationFails = true;
    startWith([] {});
    const auto rows = spaceRows(build());
    ASSERT_EQ(rows.size(), 4u);
    for (const Entry& row : rows) {
        // Without anchors or keystrokes only the current desktop can be chosen.
        EXPECT_EQ(row.enabled, row.space->isCurrent) << row.title.toStdString();
        EXPECT_EQ(row.enabled, observer->canSwitch(*row.space));
    }
    fake.keyboard.trusted = true;
    for (const Entry& row : spaceRows(build())) {
        EXPECT_TRUE(row.enabled) << row.title.toStdString();
    }
}

TEST_F(MenuContentTest, TwoDisplaysGetOneHeadedSectionEachAndTwoCheckmarks) {
    startWith([this] { twoDisplays(); });
    const auto entries = build();
    // Desktop numbers count per display.
    EXPECT_EQ(titles(entries).mid(0, 6), (QStringList{"Built-in Display", "Desktop 1", "Desktop 2",
                                                      "Side Display", "Desktop 1", "Desktop 2"}));
    EXPECT_EQ(entries[0].kind, Kind::Heading);
    EXPECT_FALSE(entries[0].enabled);
    QStringList checked;
    for (const Entry& row : spaceRows(entries)) {
        if (row.checked) {
            checked << QString::fromStdString(*row.space->persistenceID);
        }
    }
    EXPECT_EQ(checked, (QStringList{"uuid-2", "uuid-3"}));
}

TEST_F(MenuContentTest, NoSpacesShowsOneInertLineAndKeepsTheCommands) {
    startWith([this] { fake.windowServer.managedDisplaySpaces = nullptr; });
    const auto entries = build();
    ASSERT_EQ(entries.size(), 9u);
    EXPECT_EQ(entries[0].title, "Desktop ?");
    EXPECT_EQ(entries[0].kind, Kind::Text);
    EXPECT_FALSE(entries[0].enabled);
    EXPECT_EQ(entries[2].title, "Rename Spaces…");
}

TEST_F(MenuContentTest, RowTitlesCarryTheStoredNameAndEmoji) {
    store.updateName("Mail", "uuid-1");
    store.updateEmoji("📬", "uuid-1");
    store.updateEmoji("🎵", "uuid-3");
    store.updateName("A name that is far too long to fit", "uuid-4");
    const auto rows = spaceRows(build());
    EXPECT_EQ(rows[0].title, "📬 Mail");
    EXPECT_EQ(rows[2].title, "🎵 Desktop 3");
    EXPECT_EQ(rows[3].title, "A name that is far …");
}

TEST_F(MenuContentTest, UpdateCommandFollowsTheUpdaterAndLoginItemItsStatus) {
    MenuContent::State state;
    state.launchAtLogin = true;
    state.canCheckForUpdates = false;
    state.updateIsWaiting = true;
    const auto entries = build(state);
    EXPECT_TRUE(entries[7].checked);
    EXPECT_EQ(entries[9].title, "Update Available…");
    EXPECT_FALSE(entries[9].enabled);
    state.canCheckForUpdates = true;
    state.updateIsWaiting = false;
    EXPECT_EQ(build(state)[9].title, "Check for Updates…");
    EXPECT_TRUE(build(state)[9].enabled);
}

} // namespace
} // namespace quillbar::test
