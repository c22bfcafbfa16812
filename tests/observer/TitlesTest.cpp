#include "ObserverFixture.h"

namespace quillbar::test {
namespace {

using nlohmann::json;
namespace WS = WindowServerAnswers;

SpaceInfo record(const std::string& id, int type, int missionControlIndex,
                 std::optional<int> desktopIndex, const std::string& display = "MAIN-UUID") {
    SpaceInfo s;
    s.id = id;
    s.persistenceID = id;
    s.displayIdentifier = display;
    s.type = type;
    s.missionControlIndex = missionControlIndex;
    s.desktopIndex = desktopIndex;
    return s;
}

std::vector<std::string> ids(const std::vector<SpaceInfo>& spaces) {
    std::vector<std::string> out;
    for (const SpaceInfo& s : spaces) {
        out.push_back(s.id);
    }
    return out;
}

std::string repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

class TitlesTest : public ObserverFixture {
protected:
    void SetUp() override { makeObserver(); }
    std::string titleNamed(const std::string& name) {
        store.updateName(name, "named");
        return observer->title(record("named", 0, 1, 1), true);
    }
};

TEST_F(TitlesTest, NamesAreCutTo20UserPerceivedCharacters) {
    EXPECT_EQ(titleNamed("abcdefghijklmnopqrst"), "abcdefghijklmnopqrst");
    EXPECT_EQ(titleNamed("abcdefghijklmnopqrstu"), "abcdefghijklmnopqrs…");
    EXPECT_EQ(titleNamed(repeated("🇫🇷", 20)), repeated("🇫🇷", 20));
    EXPECT_EQ(titleNamed(repeated("🇫🇷", 25)), repeated("🇫🇷", 19) + "…");
    EXPECT_EQ(titleNamed(repeated("e\u0301", 21)), repeated("\u00e9", 19) + "…"); // stored as NFC
    EXPECT_EQ(titleNamed(repeated("👩🏽‍💻", 21)), repeated("👩🏽‍💻", 19) + "…");
}

TEST_F(TitlesTest, EmojiPrecedesTheNameOrDefaultNameWhenAsked) {
    store.updateEmoji("🚀", "uuid-2");
    const SpaceInfo desktop2 = record("uuid-2", 0, 2, 2);
    EXPECT_EQ(observer->title(desktop2, true), "🚀 Desktop 2");
    EXPECT_EQ(observer->title(desktop2, false), "Desktop 2");
    store.updateName(repeated("x", 30), "uuid-2");
    EXPECT_EQ(observer->title(desktop2, true), "🚀 " + repeated("x", 19) + "…");

    SpaceInfo fullscreen = record("fs", 4, 3, std::nullopt);
    fullscreen.fullscreenAppName = "An Application With A Long Name";
    EXPECT_EQ(observer->title(fullscreen, true), "An Application With…");
    SpaceInfo anonymous = record("x", 0, 1, 4);
    anonymous.persistenceID.reset();
    EXPECT_EQ(observer->title(anonymous, true), "Desktop 4");
}

TEST_F(TitlesTest, OrderPutsDesktopsFirstByNumberThenPosition) {
    EXPECT_EQ(ids(SpaceObserver::ordered({record("fs", 4, 1, std::nullopt), record("d1", 0, 2, 1),
                                          record("d2", 0, 3, 2)})),
              (std::vector<std::string>{"d1", "d2", "fs"}));
    EXPECT_EQ(
        ids(SpaceObserver::ordered({record("fs5", 4, 5, std::nullopt), record("d2", 0, 4, 2),
                                    record("odd", 2, 1, std::nullopt),
                                    record("fs3", 4, 3, std::nullopt), record("d1", 0, 2, 1)})),
        (std::vector<std::string>{"d1", "d2", "odd", "fs3", "fs5"}));
    EXPECT_EQ(ids(SpaceObserver::ordered(
                  {record("late", 0, 3, std::nullopt), record("early", 0, 1, 2),
                   record("tie-a", 4, 2, std::nullopt), record("tie-b", 4, 2, std::nullopt)})),
              (std::vector<std::string>{"early", "late", "tie-a", "tie-b"}));
}

TEST_F(TitlesTest, GroupsFollowFirstAppearanceOfEachDisplay) {
    fake.displays.addDisplay(1, "MAIN-UUID", Rect{0, 0, 100, 100}, "Built-in Display");
    const auto groups =
        observer->grouped({record("a2", 0, 2, 2), record("b1", 0, 1, 1, "OTHER"),
                           record("a1", 0, 1, 1), record("afs", 4, 3, std::nullopt)});
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].id, "MAIN-UUID");
    EXPECT_EQ(groups[0].name, "Built-in Display");
    EXPECT_EQ(ids(groups[0].spaces), (std::vector<std::string>{"a1", "a2", "afs"}));
    EXPECT_EQ(groups[1].name, "Display");
    EXPECT_TRUE(observer->grouped({}).empty());
}

TEST_F(TitlesTest, MenuListsLogLinesAndMenuBarTitleFollowTheDetectedSpaces) {
    fake.displays.addDisplay(1, "MAIN-UUID", Rect{0, 0, 100, 100}, "Built-in Display");
    json fullscreen = WS::space(3, 4, "fs-3");
    fullscreen["pid"] = 60;
    fake.windowServer.managedDisplaySpaces = json::array({WS::display(
        "MAIN-UUID",
        {WS::space(1, 0, "uuid-1"), WS::space(2, 0, "uuid-2"), fullscreen, json{{"type", 2}}}, 2)});
    fake.windowServer.activeSpaceAnswer = 2;
    store.updateEmoji("🚀", "uuid-2");
    observer->refresh();
    EXPECT_EQ(observer->menuBarTitle(), "🚀 Desktop 2");
    EXPECT_EQ(ids(observer->menuSpaces()), (std::vector<std::string>{"uuid-1", "uuid-2", "fs-3"}));
    EXPECT_EQ(ids(observer->menuUserSpaces()), (std::vector<std::string>{"uuid-1", "uuid-2"}));
    const std::vector<std::string> expected = {
        "Detected 4 spaces; focused current ID: uuid-2",
        "space display=MAIN-UUID index=1 desktop=1 type=0 uuid=uuid-1",
        "current display=MAIN-UUID index=2 desktop=2 type=0 uuid=uuid-2",
        "space display=MAIN-UUID index=3 desktop=-1 type=4 uuid=fs-3",
        "space display=MAIN-UUID index=4 desktop=-1 type=2 uuid=unknown"};
    std::vector<FakeLog::Line> infoLines;
    std::copy_if(fake.log.lines.begin(), fake.log.lines.end(), std::back_inserter(infoLines),
                 [](const FakeLog::Line& l) { return l.level == LogLevel::Info; });
    ASSERT_EQ(infoLines.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(infoLines[i].message, expected[i]);
    }
}

} // namespace
} // namespace quillbar::test
