// SPDX-License-Identifier: GPL-3.0-or-later
#include "observer/DesktopNameSharing.h"
#include "FakePlatform.h"
#include "model/DesktopLabel.h"
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace quillbar::test {
namespace {

using nlohmann::json;
using Calls = std::vector<std::pair<std::int64_t, std::string>>;

// Quillbar on a fake desktop of three desktops (keys uuid-1..3) that takes every name it is given
// at once; desktop 2 is called "Browser" by the desktop itself.
class DesktopNameSharingTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.setDesktops(3, 1);
        setDesktopName(2, "Browser");
        fake.windowServer.hasRenameSpace = true;
        fake.windowServer.onRenameSpace = [this](std::int64_t id, const std::string& name) {
            setDesktopName(id, name);
            return std::optional<std::string>();
        };
    }
    void launch() {
        sharing.reset();
        observer = std::make_unique<SpaceObserver>(store, fake.platform);
        sharing = std::make_unique<DesktopNameSharing>(*observer, defaults);
        observer->start();
        sharing->start();
        settle();
    }
    // Refreshes as the desktop's change signal would, until nothing is left to do now.
    void settle() {
        for (int i = 0; i < 3; ++i) {
            fake.mainQueue.drain();
            observer->refresh();
        }
        fake.mainQueue.drain();
    }
    void setDesktopName(std::int64_t id, const std::string& name) {
        json& space = fake.windowServer.managedDisplaySpaces[0]["Spaces"][id - 1];
        if (name.empty()) {
            space.erase("Name");
        } else {
            space["Name"] = name;
        }
    }
    std::string desktopName(std::int64_t id) const {
        const json& space = fake.windowServer.managedDisplaySpaces[0]["Spaces"][id - 1];
        return space.value("Name", "");
    }
    std::string defaultName(const std::string& key) const {
        const auto& spaces = observer->spaces();
        const auto found = std::ranges::find(spaces, std::optional(key), &SpaceInfo::persistenceID);
        return found == spaces.end() ? "?" : found->defaultName();
    }
    Calls& calls() { return fake.windowServer.renameSpaceCalls; }

    FakePlatform fake;
    MemoryDefaults defaults;
    SpaceNameStore store{defaults};
    std::unique_ptr<SpaceObserver> observer;
    std::unique_ptr<DesktopNameSharing> sharing;
};

TEST_F(DesktopNameSharingTest, WritesLabelsKeepsTheNamesFromBeforeAndGivesThemBackWhenOff) {
    store.updateName("Mail", "uuid-1");
    store.updateEmoji("📬", "uuid-1");
    store.updateName("Web", "uuid-2");
    launch();
    EXPECT_TRUE(calls().empty()) << "off by default";

    sharing->setEnabled(true);
    settle();
    EXPECT_TRUE(defaults.boolValue("UseNamesInDesktop.v1"));
    EXPECT_EQ(calls(), (Calls{{1, "📬 Mail"}, {2, "Web"}}));
    EXPECT_EQ(desktopName(3), "");
    // What Quillbar wrote is not taken for the desktop's own name.
    EXPECT_EQ(defaultName("uuid-2"), "Browser");
    EXPECT_EQ(defaultName("uuid-1"), "Desktop 1");
    EXPECT_EQ(observer->menuBarTitle(), "📬 Mail");

    // Emoji alone: on the default name; cleared: the desktop's name comes back.
    store.updateName("", "uuid-1");
    store.updateName("", "uuid-2");
    sharing->flush();
    settle();
    EXPECT_EQ(desktopName(1), "📬 Desktop 1");
    EXPECT_EQ(desktopName(2), "Browser");

    store.updateName("Mail", "uuid-1");
    sharing->flush();
    settle();
    calls().clear();
    sharing->setEnabled(false);
    settle();
    EXPECT_EQ(calls(), (Calls{{1, ""}}));
    EXPECT_EQ(desktopName(2), "Browser");
    EXPECT_EQ(defaults.data("DesktopNames.v1"), "{}");
    EXPECT_EQ(store.assignment("uuid-1"), (SpaceAssignment{"Mail", "📬"}));
}

TEST_F(DesktopNameSharingTest, WritesAfterKeepingTheOldNamesNotAgainOnRestartAndGivesThemBackOff) {
    defaults.setBool("UseNamesInDesktop.v1", true);
    store.updateName("Web", "uuid-2");
    store.updateEmoji("🌐", "uuid-2");
    defaults.setFailing("DesktopNames.v1", true); // the names from before cannot be kept
    launch();
    EXPECT_TRUE(calls().empty());
    defaults.setFailing("DesktopNames.v1", false);
    sharing->flush();
    ASSERT_EQ(desktopName(2), "🌐 Web");

    calls().clear();
    launch();
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(defaultName("uuid-2"), "Browser");
    EXPECT_EQ(store.assignment("uuid-2"), (SpaceAssignment{"Web", "🌐"}));

    defaults.setBool("UseNamesInDesktop.v1", false);
    launch();
    EXPECT_EQ(calls(), (Calls{{2, "Browser"}}));
}

TEST_F(DesktopNameSharingTest, ARenameInTheDesktopIsTheUsersNewName) {
    defaults.setBool("UseNamesInDesktop.v1", true);
    store.updateName("Web", "uuid-2");
    launch();
    calls().clear();

    setDesktopName(2, "🎵 Music");
    settle();
    EXPECT_EQ(store.assignment("uuid-2"), (SpaceAssignment{"Music", "🎵"}));
    setDesktopName(3, "Chat"); // a desktop Quillbar never wrote keeps its own name as the default
    settle();
    fake.mainQueue.advance(DesktopNameSharing::editPause);
    settle();
    EXPECT_TRUE(calls().empty()) << calls().front().second;
    EXPECT_EQ(defaultName("uuid-3"), "Chat");

    // Cleared there: nothing of Quillbar's is left on it, and nothing is written back.
    setDesktopName(2, "");
    settle();
    fake.mainQueue.advance(DesktopNameSharing::editPause);
    settle();
    EXPECT_TRUE(store.assignment("uuid-2").isEmpty());
    EXPECT_TRUE(calls().empty());

    // Ours lands and is renamed there before Quillbar looks: the rename is still the user's.
    store.updateName("Mail", "uuid-1");
    fake.windowServer.onRenameSpace = [this](std::int64_t id, const std::string&) {
        setDesktopName(id, "🎸 Band");
        return std::optional<std::string>();
    };
    sharing->flush();
    settle();
    fake.mainQueue.advance(DesktopNameSharing::landingBound + Milliseconds(100));
    settle();
    EXPECT_EQ(store.assignment("uuid-1"), (SpaceAssignment{"Band", "🎸"}));
    EXPECT_TRUE(sharing->refusals().empty());
}

TEST_F(DesktopNameSharingTest, NamesBeingTypedWaitForAPauseOrTheEndOfTheEdit) {
    defaults.setBool("UseNamesInDesktop.v1", true);
    launch();
    for (const char* typed : {"M", "Ma", "Mai"}) {
        store.updateName(typed, "uuid-1");
        fake.mainQueue.advance(Milliseconds(400));
        setDesktopName(3, typed); // another desktop's news, which looks at every desktop
        observer->refresh();
        fake.mainQueue.drain();
    }
    EXPECT_TRUE(calls().empty());
    fake.mainQueue.advance(DesktopNameSharing::editPause);
    EXPECT_EQ(calls(), (Calls{{1, "Mai"}}));

    observer->refresh(); // "Mai" shows
    store.updateName("Mail", "uuid-1");
    sharing->flush();
    EXPECT_EQ(calls().back(), (std::pair<std::int64_t, std::string>{1, "Mail"}));
}

TEST_F(DesktopNameSharingTest, ARefusedNameIsSaidOnceAndNotAskedForAgain) {
    defaults.setBool("UseNamesInDesktop.v1", true);
    store.updateName("Mail", "uuid-1");
    fake.windowServer.onRenameSpace = [](std::int64_t, const std::string&) {
        return std::optional<std::string>("No quotes, please.");
    };
    launch();
    fake.mainQueue.advance(Milliseconds(20000));
    settle();
    EXPECT_EQ(calls().size(), 1U);
    EXPECT_EQ(sharing->refusals().at("uuid-1"), "No quotes, please.");
    EXPECT_EQ(
        fake.log.count("The desktop's name of space uuid-1 is not written: No quotes, please."),
        1U);

    // A desktop that says yes but never shows the name is given up on at the bound.
    fake.windowServer.onRenameSpace = nullptr; // asked, and nothing changes
    store.updateName("Post", "uuid-1");
    sharing->flush();
    EXPECT_TRUE(sharing->refusals().empty());
    fake.mainQueue.advance(DesktopNameSharing::landingBound + Milliseconds(100));
    settle();
    fake.mainQueue.advance(Milliseconds(20000));
    settle();
    EXPECT_EQ(calls().size(), 2U);
    EXPECT_EQ(sharing->refusals().at("uuid-1"), "The desktop did not take this name.");
    EXPECT_TRUE(store.assignment("uuid-1") == (SpaceAssignment{"Post", ""})) << "not adopted";
}

TEST(DesktopLabelTest, ComposesAndParsesBothWays) {
    using DesktopLabel::compose;
    using DesktopLabel::parse;
    EXPECT_EQ(compose({"Mail", "📬"}, "Desktop 1"), "📬 Mail");
    EXPECT_EQ(compose({"Mail", ""}, "Desktop 1"), "Mail");
    EXPECT_EQ(compose({"", "📬"}, "Desktop 1"), "📬 Desktop 1");
    EXPECT_EQ(compose({"", ""}, "Desktop 1"), "");
    EXPECT_EQ(parse("📬 Mail"), (SpaceAssignment{"Mail", "📬"}));
    EXPECT_EQ(parse("👩‍💻  Code "), (SpaceAssignment{"Code", "👩‍💻"}));
    EXPECT_EQ(parse("📬Mail"), (SpaceAssignment{"📬Mail", ""}));
    EXPECT_EQ(parse("3 Mail"), (SpaceAssignment{"3 Mail", ""})); // a digit is no emoji here
    EXPECT_EQ(parse("Mail 📬"), (SpaceAssignment{"Mail 📬", ""}));
    EXPECT_EQ(parse("\xff x"), (SpaceAssignment{"\ufffd x", ""}));
}

TEST(DesktopNameRecordTest, ReadsWhatItWroteAndLeavesOutWhatIsNotARecord) {
    const DesktopNameRecords records{{"uuid-1", {"", "📬 Mail"}}, {"ws-2", {"Web", "🌐 Web"}}};
    EXPECT_EQ(decodeDesktopNameRecords(encodeDesktopNameRecords(records)), records);
    EXPECT_EQ(decodeDesktopNameRecords("[1]"), std::nullopt);
    const auto mixed = decodeDesktopNameRecords(
        R"({"a": {"original": 1, "written": "x"}, "b": "x", "c": {"original": "", "written": "y"},
            "d": {"original": ")" +
        std::string(5000, 'x') + R"(", "written": "z"}})");
    ASSERT_TRUE(mixed);
    EXPECT_EQ(*mixed, (DesktopNameRecords{{"c", {"", "y"}}}));
}

} // namespace
} // namespace quillbar::test
