// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakePlatform.h"
#include "observer/DisplayDirectory.h"
#include "observer/SpaceDetector.h"

#include <gtest/gtest.h>

namespace quillbar::test {
namespace {

using nlohmann::json;
namespace WS = WindowServerAnswers;
using Rows = std::vector<std::string>;

constexpr std::int32_t kFront = 50;

// One line per detected space: display/id, type, managed id, desktop number, position, marks.
Rows rows(const std::vector<SpaceInfo>& spaces) {
    Rows out;
    const auto number = [](const auto& n) { return n ? std::to_string(*n) : std::string("-"); };
    for (const SpaceInfo& s : spaces) {
        out.push_back(s.displayIdentifier + "/" + s.id + " t" + std::to_string(s.type) + " m" +
                      number(s.managedSpaceID) + " d" + number(s.desktopIndex) + " p" +
                      std::to_string(s.missionControlIndex) +
                      (s.isActiveOnDisplay ? " shown" : "") + (s.isCurrent ? " current" : "") +
                      (s.ownerPID ? " pid" + std::to_string(*s.ownerPID) : "") +
                      (s.fullscreenAppName ? " " + *s.fullscreenAppName : ""));
    }
    return out;
}

// Two displays side by side, MAIN (the main one) and SIDE.
class DetectionTest : public ::testing::Test {
protected:
    DetectionTest() {
        fake.displays.addDisplay(1, "MAIN", Rect{0, 0, 1000, 800}, "Main");
        fake.displays.addDisplay(2, "SIDE", Rect{1000, 0, 1000, 800}, "Side");
        fake.workspace.frontmost = RunningApplication{kFront, "Front"};
        fake.workspace.applications[60] = RunningApplication{60, "Player"};
    }
    DisplayDirectory directory() { return DisplayDirectory(fake.platform); }
    // A detector that takes the window server's entry points as they are now.
    SpaceDetector makeDetector() {
        api = fake.windowServer.spaceServerAPI();
        return SpaceDetector(fake.platform, displays, api);
    }
    std::vector<SpaceInfo> detect() { return makeDetector().detectSpaces(); }
    static json fullscreen(std::int64_t id, json pid, const std::string& uuid) {
        json s = WS::space(id, 4, uuid);
        s["pid"] = std::move(pid);
        return s;
    }
    // MAIN: desktop, full-screen player, desktop; SIDE: two desktops.
    void twoDisplays(std::int64_t mainCurrent, std::int64_t sideCurrent) {
        fake.windowServer.managedDisplaySpaces = json::array(
            {WS::display("MAIN",
                         {WS::space(1, 0, "u1"), fullscreen(2, 60, "u2"), WS::space(3, 0, "u3")},
                         mainCurrent),
             WS::display("SIDE", {WS::space(4, 0, "u4"), WS::space(5, 0, "u5")}, sideCurrent)});
        fake.windowServer.displayCurrentAnswers = {{"MAIN", mainCurrent}, {"SIDE", sideCurrent}};
    }
    FakePlatform fake;
    DisplayDirectory displays{fake.platform};
    SpaceServerAPI api;
};

// Rectangles belong to the display holding most of them; screens are found by identifier.
TEST_F(DetectionTest, DirectoryFindsDisplaysByRectangleScreensByIdentifierAndTheFocusedOne) {
    EXPECT_EQ(directory().displayIdentifier(Rect{600, 0, 1000, 100}), "SIDE"); // 40 / 60
    EXPECT_EQ(directory().displayIdentifier(Rect{500, 0, 1000, 100}), "MAIN"); // equal halves
    EXPECT_EQ(directory().displayIdentifier(Rect{0, 0, 1e308, 1e308}), "MAIN");
    EXPECT_EQ(directory().displayIdentifier(Rect{1000, 0, 0, 100}), std::nullopt);
    EXPECT_EQ(directory().displayIdentifier(Rect{-100, 0, 100, 100}), std::nullopt); // at an edge
    fake.displays.screenList.insert(fake.displays.screenList.begin(),
                                    Screen{std::nullopt, {}, "Ghost"});
    fake.displays.screenList.push_back(Screen{3, Rect{0, 800, 10, 10}, ""});
    fake.displays.uuids[3] = "NAMELESS";
    EXPECT_EQ(directory().screenFrame("SIDE"), (Rect{1000, 0, 1000, 800}));
    EXPECT_EQ(directory().displayName("MAIN"), "Main");
    EXPECT_EQ(directory().displayName("NAMELESS"), std::nullopt);
    EXPECT_EQ(directory().screenFrame("Ghost"), std::nullopt);
    // The focused display holds the frontmost application's largest ordinary window.
    fake.windowServer.windowList = json::array({
        WS::window(99, Rect{1000, 0, 900, 700}),     // another app's larger window
        WS::window(kFront, Rect{0, 0, 300, 300}),    // left
        WS::window(kFront, Rect{1000, 0, 400, 400}), // right, largest
        WS::window(kFront, Rect{0, 0, 400, 400}),    // equally large, later: loses
        WS::window(kFront, Rect{0, 0, 900, 700}, 3), // a panel
    });
    EXPECT_EQ(directory().focusedWindowDisplayIdentifier(), "SIDE");
    fake.windowServer.windowList = json::array({WS::window(kFront, Rect{0, 0, 300, 300}), 5});
    EXPECT_EQ(directory().focusedWindowDisplayIdentifier(), std::nullopt);
    fake.workspace.frontmost.reset();
    EXPECT_EQ(directory().focusedWindowDisplayIdentifier(), std::nullopt);

    // Our own application: its key window's screen, else its main window's.
    fake.workspace.frontmost = RunningApplication{fake.workspace.ownPID, "Quillbar"};
    fake.workspace.keyScreen = fake.displays.screenList[1]; // after the ghost
    fake.workspace.mainScreen = fake.displays.screenList[2];
    EXPECT_EQ(directory().focusedWindowDisplayIdentifier(), "MAIN");
    fake.workspace.keyScreen = Screen{std::nullopt, Rect{}, "Detached"};
    EXPECT_EQ(directory().focusedWindowDisplayIdentifier(), "SIDE");
    fake.workspace.mainScreen.reset();
    EXPECT_EQ(directory().focusedWindowDisplayIdentifier(), std::nullopt);
    fake.displays.activeDisplays.reset(); // the query fails
    EXPECT_EQ(directory().displayIdentifier(Rect{0, 0, 100, 100}), std::nullopt);
}

// Ordinary: layer 0, alpha above 0, both sides above 20 points, an owner that fits and passes.
TEST_F(DetectionTest, OrdinaryWindowsFollowOneRule) {
    const auto ordinary = [](const json& w) {
        return DisplayDirectory::ordinaryWindowBounds(w, [](std::int32_t pid) { return pid != 1; })
            .has_value();
    };
    const Rect big{0, 0, 300, 300};
    EXPECT_TRUE(ordinary(WS::window(kFront, Rect{5, 5, 21, 21})));
    EXPECT_TRUE(ordinary(WS::window(kFront, big, 0, 0.5)));
    for (const json& w :
         {WS::window(kFront, Rect{0, 0, 21, 20}), WS::window(kFront, Rect{0, 0, 20, 300}),
          WS::window(kFront, big, 0, 0.0), WS::window(kFront, big, 25), WS::window(1, big)}) {
        EXPECT_FALSE(ordinary(w)) << w.dump();
    }
    for (const auto& [key, value] : std::vector<std::pair<std::string, json>>{
             {"Layer", nullptr}, {"OwnerPID", std::int64_t{1} << 32}, {"Bounds", {{"X", 0}}}}) {
        json w = WS::window(kFront, big);
        w[key] = value;
        EXPECT_FALSE(ordinary(w)) << w.dump();
    }
}

// The active-space answer, else the focused display, else the main one, else the only shown space
// on an active display, else the first shown space.
TEST_F(DetectionTest, NumbersDesktopsPerDisplayAndFindsTheCurrentSpaceThroughTheFallbacks) {
    twoDisplays(2, 5);
    fake.windowServer.activeSpaceAnswer = 5;
    EXPECT_EQ(rows(detect()), (Rows{"MAIN/u1 t0 m1 d1 p1", "MAIN/u2 t4 m2 d- p2 shown pid60 Player",
                                    "MAIN/u3 t0 m3 d2 p3", "SIDE/u4 t0 m4 d1 p1",
                                    "SIDE/u5 t0 m5 d2 p2 shown current"}));
    fake.windowServer.hasActiveSpace = false;
    twoDisplays(1, 4);
    fake.displays.mainDisplay = 2;
    const auto spaces = detect();
    EXPECT_FALSE(spaces[0].isCurrent);
    EXPECT_TRUE(spaces[3].isCurrent);

    fake.windowServer.hasDisplayCurrentSpace = false;
    fake.displays.mainDisplay = 99; // no focused display at all
    fake.windowServer.managedDisplaySpaces =
        json::array({WS::display("ELSEWHERE", {WS::space(1, 0, "u1"), WS::space(2, 0, "u2")}, 2),
                     WS::display("SIDE", {WS::space(3, 0, "u3"), WS::space(4, 0, "u4")}, 4)});
    EXPECT_EQ(rows(detect()), (Rows{"ELSEWHERE/u1 t0 m1 d1 p1", "ELSEWHERE/u2 t0 m2 d2 p2 shown",
                                    "SIDE/u3 t0 m3 d1 p1", "SIDE/u4 t0 m4 d2 p2 shown current"}));
    fake.windowServer.managedDisplaySpaces[1]["Display Identifier"] = "ALSO-ELSEWHERE";
    EXPECT_TRUE(detect()[1].isCurrent);
    for (auto& display : fake.windowServer.managedDisplaySpaces) {
        display.erase("Current Space");
    }
    for (const SpaceInfo& s : detect()) {
        EXPECT_FALSE(s.isActiveOnDisplay || s.isCurrent) << s.id;
    }
}

// Spaces are read once per revision and display; which is shown and current, and a full-screen
// space's application, are worked out on every pass.
TEST_F(DetectionTest, ReadsTheSpacesOncePerRevisionOfTheServersAnswer) {
    const SpaceDetector detector = makeDetector();
    fake.windowServer.spacesRevision = 7;
    twoDisplays(2, 4);
    fake.windowServer.activeSpaceAnswer = 4;
    detector.detectSpaces();

    twoDisplays(3, 5);
    fake.windowServer.activeSpaceAnswer = 3;
    fake.workspace.applications[60].localizedName = "Viewer";
    EXPECT_EQ(rows(detector.detectSpaces()),
              (Rows{"MAIN/u1 t0 m1 d1 p1", "MAIN/u2 t4 m2 d- p2 pid60 Viewer",
                    "MAIN/u3 t0 m3 d2 p3 shown current", "SIDE/u4 t0 m4 d1 p1",
                    "SIDE/u5 t0 m5 d2 p2 shown"}));

    auto& first = fake.windowServer.managedDisplaySpaces[0][WindowServer::kSpaces][0];
    first[WindowServer::kSpaceName] = "Mail";
    EXPECT_EQ(detector.detectSpaces()[0].windowManagerName, std::nullopt); // not said to change
    fake.windowServer.spacesRevision = 8;
    EXPECT_EQ(detector.detectSpaces()[0].windowManagerName, "Mail");
    fake.windowServer.managedDisplaySpaces[1][WindowServer::kDisplayIdentifier] = "OTHER";
    EXPECT_EQ(detector.detectSpaces()[3].id, "u4");
    EXPECT_EQ(detector.detectSpaces()[3].displayIdentifier, "OTHER");

    fake.windowServer.spacesRevision = 0; // a server that does not keep track is read every time
    first[WindowServer::kSpaceName] = "Post";
    EXPECT_EQ(detector.detectSpaces()[0].windowManagerName, "Post");
}

// Malformed answers yield nothing or skip the display; fields go through the coercions.
TEST_F(DetectionTest, ReadsIdentifiersTypesAndOwnersThroughTheCoercionsAndSkipsMalformedParts) {
    const json good = WS::display("MAIN", {WS::space(1, 0, "u1")}, 1);
    for (const json& answer : {json(), json::object(), json::array({good, "junk"})}) {
        fake.windowServer.managedDisplaySpaces = answer;
        EXPECT_TRUE(detect().empty()) << answer.dump();
    }
    json numericName = good;
    numericName["Display Identifier"] = 5;
    json badSpaces = good;
    badSpaces["Spaces"].push_back(3);
    fake.windowServer.managedDisplaySpaces =
        json::array({json::object(), numericName, badSpaces, good});
    EXPECT_EQ(rows(detect()), Rows{"MAIN/u1 t0 m1 d1 p1 shown current"});

    const json emptyUUID = WS::space(7, 0, "");
    fake.windowServer.managedDisplaySpaces =
        json::array({{{"Display Identifier", "D"},
                      {"Current Space", emptyUUID},
                      {"Spaces",
                       {emptyUUID,
                        {{"ManagedSpaceID", "12"}, {"type", 0}},
                        {{"ManagedSpaceID", "1 2"}, {"id64", 13}, {"type", "0"}},
                        {{"uuid", 4711}},
                        {{"type", 0}},
                        fullscreen(3, std::int64_t{1} << 32, "huge"),
                        fullscreen(4, "60", "text"),
                        fullscreen(5, 61, "gone-hidden"),
                        {{"type", 2}, {"pid", 60}}}}}});
    fake.windowServer.displayCurrentAnswers = {{"D", 7}};
    const auto spaces = detect();
    EXPECT_EQ(rows(spaces),
              (Rows{"D/msid-7 t0 m7 d1 p1 shown current", "D/msid-12 t0 m12 d2 p2",
                    "D/msid-13 t0 m13 d3 p3", "D/4711 t-1 m- d- p4", "D/D-4-unknown t0 m- d4 p5",
                    "D/huge t4 m3 d- p6", "D/text t4 m4 d- p7 pid60 Player",
                    "D/gone-hidden t4 m5 d- p8 pid61", "D/D-8-unknown t2 m- d- p9"}));
    EXPECT_EQ(spaces[4].persistenceID, std::nullopt);
    // A shown full-screen space whose owner is gone takes the front application's name.
    fake.windowServer.displayCurrentAnswers = {{"D", 5}};
    EXPECT_EQ(detect()[7].fullscreenAppName, "Front");
}

// A server that keys and numbers its desktops itself: its key wins over uuid and managed id, its
// number over the position (null: no number), and "Desktop N" follows the number.
TEST_F(DetectionTest, ServerKeysAndNumbersReplaceUuidsAndPositions) {
    const auto keyed = [](std::int64_t id, const std::string& uuid, json key, json number) {
        json s = WS::space(id, 0, uuid);
        s.update({{"Persistence Key", key}, {"Desktop Number", number}});
        return s;
    };
    fake.windowServer.managedDisplaySpaces =
        json::array({WS::display("MAIN",
                                 {keyed(40, "u40", "ws-7", 7), keyed(41, "", "mail", nullptr),
                                  keyed(42, "", "", "x"), WS::space(43, 0, "")},
                                 40)});
    const auto spaces = detect();
    EXPECT_EQ(rows(spaces), (Rows{"MAIN/ws-7 t0 m40 d7 p1 shown current", "MAIN/mail t0 m41 d- p2",
                                  "MAIN/msid-42 t0 m42 d- p3", "MAIN/msid-43 t0 m43 d4 p4"}));
    EXPECT_EQ(spaces[0].persistenceID, "ws-7");
    EXPECT_EQ(spaces[0].defaultName(), "Desktop 7");
}

// The window manager's names become the defaults; unusable ones leave "Desktop N".
TEST_F(DetectionTest, WindowManagerNamesAreRepairedBoundedAndPreferredAsDefaults) {
    const std::string longName = std::string(1023, 'x') + "\u00e9" + std::string(3000, 'y');
    const std::vector<json> names = {
        "Mail",     "",       "  ",        "\xffWeb\xc3", 42,         json::array({"x"}),
        "  Chat\t", longName, "desktop 9", "DESKTOP 10",  "Desktop 7"};
    std::vector<json> spaces;
    for (std::size_t i = 0; i < names.size(); ++i) {
        spaces.push_back(WS::space(static_cast<std::int64_t>(i) + 1));
        spaces.back()["Name"] = names[i];
    }
    spaces.push_back(WS::space(99));
    fake.windowServer.managedDisplaySpaces = json::array({WS::display("MAIN", spaces, 1)});
    Rows defaults;
    for (const SpaceInfo& space : detect()) {
        defaults.push_back(space.defaultName().substr(0, 12));
    }
    // A placeholder that restates the desktop's own number is no name; another number is.
    EXPECT_EQ(defaults,
              (Rows{"Mail", "Desktop 2", "Desktop 3", "\ufffdWeb\ufffd", "42", "Desktop 6", "Chat",
                    "xxxxxxxxxxxx", "Desktop 9", "Desktop 10", "Desktop 7", "Desktop 12"}));
    // The character across the bound is left out whole.
    EXPECT_EQ(detect()[7].windowManagerName, std::string(1023, 'x'));
}

TEST_F(DetectionTest, ReadsAtMostABoundedNumberOfSpacesAndDisplaysAndSaysSoOnce) {
    std::vector<json> many;
    for (std::int64_t id = 1; id <= 100000; ++id) {
        many.push_back(WS::space(id));
    }
    fake.windowServer.managedDisplaySpaces =
        json::array({WS::display("MAIN", many, 100000), WS::display("SIDE", {WS::space(0)}, 0)});
    const SpaceDetector detector = makeDetector();
    const auto spaces = detector.detectSpaces();
    ASSERT_EQ(spaces.size(), SpaceDetector::kMaxSpacesPerDisplay + 1);
    EXPECT_EQ(spaces[255].desktopIndex, 256);
    EXPECT_EQ(spaces[256].displayIdentifier, "SIDE");
    // The same claim on the next refresh is not logged again; a new one is.
    detector.detectSpaces();
    ASSERT_EQ(fake.log.lines.size(), 1u);
    EXPECT_EQ(fake.log.lines[0].message, "A display claims 100000 spaces; reading the first 256");

    fake.windowServer.managedDisplaySpaces = json::array();
    for (int display = 0; display < 40; ++display) {
        fake.windowServer.managedDisplaySpaces.push_back(
            WS::display("D" + std::to_string(display), {WS::space(display + 1)}, display + 1));
    }
    EXPECT_EQ(detector.detectSpaces().size(), SpaceDetector::kMaxDisplays);
    ASSERT_EQ(fake.log.lines.size(), 2u);
    EXPECT_EQ(fake.log.lines[1].message,
              "The window server claims 40 displays; reading the first 32");
}

} // namespace
} // namespace quillbar::test
