#include "platform/x11/X11Answers.h"
#include "FakePlatform.h"
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"
#include "observer/DisplayDirectory.h"
#include "observer/SpaceObserver.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <regex>

namespace quillbar {
namespace {

TEST(X11AnswersTest, DisplayIdentifierIsAStableUpperCaseNameBasedUUID) {
    const std::string identifier = X11Answers::displayIdentifier("", 0, 0);
    EXPECT_TRUE(std::regex_match(
        identifier,
        std::regex("[0-9A-F]{8}-[0-9A-F]{4}-5[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}")))
        << identifier;
    EXPECT_EQ(identifier, X11Answers::displayIdentifier("", 0, 0));
    EXPECT_NE(identifier, X11Answers::displayIdentifier("", 1, 0));
    EXPECT_NE(identifier, X11Answers::displayIdentifier("", 0, 1));
    EXPECT_NE(identifier, X11Answers::displayIdentifier("remote", 0, 0));
    // ":1" then screen 0 is not ":10" then screen ... : the parts stay apart.
    EXPECT_NE(X11Answers::displayIdentifier("", 1, 10), X11Answers::displayIdentifier("", 11, 0));
}

std::array<std::uint8_t, 128> edidWithDescriptor(std::size_t slot, std::uint8_t tag,
                                                 const char* text) {
    std::array<std::uint8_t, 128> edid{};
    const std::size_t at = 54 + slot * 18;
    edid[at + 3] = tag;
    std::memset(&edid[at + 5], ' ', 13);
    std::memcpy(&edid[at + 5], text, std::strlen(text));
    return edid;
}

TEST(X11AnswersTest, EdidMonitorNameComesFromTheNameDescriptor) {
    EXPECT_EQ(X11Answers::edidMonitorName(edidWithDescriptor(0, 0xFC, "DELL U2415\n")),
              "DELL U2415");
    EXPECT_EQ(X11Answers::edidMonitorName(edidWithDescriptor(3, 0xFC, "ThirteenChars")),
              "ThirteenChars");
    // A serial number descriptor is not a name; neither is a blank name or a cut-off block.
    EXPECT_EQ(X11Answers::edidMonitorName(edidWithDescriptor(1, 0xFF, "12345\n")), std::nullopt);
    EXPECT_EQ(X11Answers::edidMonitorName(edidWithDescriptor(0, 0xFC, "\n")), std::nullopt);
    const auto edid = edidWithDescriptor(0, 0xFC, "Cut\n");
    EXPECT_EQ(X11Answers::edidMonitorName(std::span(edid).first(100)), std::nullopt);
}

TEST(X11AnswersTest, SpacesOfADesktopAndOfAStickyWindow) {
    EXPECT_EQ(X11Answers::spacesOfDesktop(2, 4), nlohmann::json::array({3}));
    EXPECT_EQ(X11Answers::spacesOfDesktop(X11Answers::kAllDesktops, 3),
              nlohmann::json::array({1, 2, 3}));
}

TEST(X11AnswersTest, OpacityConvertsBothWaysAndClamps) {
    EXPECT_EQ(X11Answers::opacityValue(1.0), 0xFFFFFFFFu);
    EXPECT_EQ(X11Answers::opacityValue(-1.0), 0u);
    EXPECT_EQ(X11Answers::opacityValue(2.0), 0xFFFFFFFFu);
    EXPECT_NEAR(X11Answers::opacityFraction(X11Answers::opacityValue(0.05)), 0.05, 1e-9);
}

// The answers must read to the core as the window server's do: detection through the real detector.
class X11AnswersDetectionTest : public ::testing::Test {
protected:
    X11AnswersDetectionTest() {
        fake.displays.addDisplay(7, identifier, {0, 0, 1280, 800}, "screen");
    }

    const std::string identifier = X11Answers::displayIdentifier("", 3, 0);
    test::FakePlatform fake;
    MemoryDefaults defaults;
    SpaceNameStore store{defaults};
};

TEST_F(X11AnswersDetectionTest, DesktopsBecomeNumberedSpacesWithPositionalKeys) {
    fake.windowServer.managedDisplaySpaces =
        nlohmann::json::array({X11Answers::managedDisplay(identifier, 3, 1)});
    fake.windowServer.hasActiveSpace = false;
    fake.windowServer.hasDisplayCurrentSpace = false;
    SpaceObserver observer(store, fake.platform);

    const auto spaces = observer.detectSpaces();
    ASSERT_EQ(spaces.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(spaces[i].persistenceID, "msid-" + std::to_string(i + 1));
        EXPECT_EQ(spaces[i].managedSpaceID, i + 1);
        EXPECT_EQ(spaces[i].desktopIndex, i + 1);
        EXPECT_EQ(spaces[i].type, 0);
        EXPECT_EQ(spaces[i].displayIdentifier, identifier);
        // The "Current Space" dictionary alone marks the shown desktop.
        EXPECT_EQ(spaces[i].isActiveOnDisplay, i == 1);
        EXPECT_EQ(spaces[i].isCurrent, i == 1);
    }
}

TEST_F(X11AnswersDetectionTest, WindowDictionariesFollowTheOrdinaryWindowRule) {
    const auto anyOwner = [](std::int32_t) { return true; };
    X11Answers::WindowFacts facts{4242, 0, std::nullopt, {10, 20, 300, 200}};
    EXPECT_EQ(DisplayDirectory::ordinaryWindowBounds(X11Answers::window(facts), anyOwner),
              (Rect{10, 20, 300, 200}));
    facts.layer = 20; // a dock
    EXPECT_EQ(DisplayDirectory::ordinaryWindowBounds(X11Answers::window(facts), anyOwner),
              std::nullopt);
    facts = {4242, 0, 0.0, {10, 20, 300, 200}}; // fully transparent
    EXPECT_EQ(DisplayDirectory::ordinaryWindowBounds(X11Answers::window(facts), anyOwner),
              std::nullopt);
    facts = {std::nullopt, 0, std::nullopt, {10, 20, 300, 200}}; // no _NET_WM_PID
    EXPECT_EQ(DisplayDirectory::ordinaryWindowBounds(X11Answers::window(facts), anyOwner),
              std::nullopt);
}

} // namespace
} // namespace quillbar
