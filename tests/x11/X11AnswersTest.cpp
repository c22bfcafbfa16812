// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Answers.h"
#include "DetectedSpaces.h"
#include "observer/DisplayDirectory.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>
#include <tuple>

namespace quillbar {
namespace {

using nlohmann::json;

TEST(X11AnswersTest, DisplayIdentifierIsStableAndTellsDisplaysApart) {
    const auto id = [](const char* host, int display, int screen) {
        return X11Answers::displayIdentifier(host, display, screen);
    };
    EXPECT_EQ(id("", 0, 0), id("", 0, 0));
    // All apart, ":1" then screen 10 and ":11" then screen 0 too.
    const std::set<std::string> all{id("", 0, 0),       id("", 1, 0),  id("", 0, 1),
                                    id("remote", 0, 0), id("", 1, 10), id("", 11, 0)};
    EXPECT_EQ(all.size(), 6u);
}

TEST(X11AnswersTest, EdidMonitorNameComesFromTheNameDescriptor) {
    const auto name = [](std::size_t slot, std::uint8_t tag, const char* text, std::size_t size) {
        std::array<std::uint8_t, 128> edid{};
        const std::size_t at = 54 + slot * 18;
        edid[at + 3] = tag;
        std::memset(&edid[at + 5], ' ', 13);
        std::memcpy(&edid[at + 5], text, std::strlen(text));
        return X11Answers::edidMonitorName(std::span(edid).first(size));
    };
    EXPECT_EQ(name(0, 0xFC, "DELL U2415\n", 128), "DELL U2415");
    EXPECT_EQ(name(3, 0xFC, "ThirteenChars", 128), "ThirteenChars");
    // A serial number is not a name; neither is a blank name or a cut-off block.
    EXPECT_EQ(name(1, 0xFF, "12345\n", 128), std::nullopt);
    EXPECT_EQ(name(0, 0xFC, "\n", 128), std::nullopt);
    EXPECT_EQ(name(0, 0xFC, "Cut\n", 100), std::nullopt);
}

TEST(X11AnswersTest, StickyWindowsAndOpacity) {
    EXPECT_EQ(X11Answers::spacesOfDesktop(2, 4), json::array({3}));
    EXPECT_EQ(X11Answers::spacesOfDesktop(X11Answers::kAllDesktops, 3), json::array({1, 2, 3}));
    // Any client may claim 2^32 - 1 desktops: at most kMaxDesktops are read.
    EXPECT_EQ(X11Answers::spacesOfDesktop(X11Answers::kAllDesktops, 0xFFFFFFFF).size(),
              X11Answers::kMaxDesktops);
    EXPECT_EQ(X11Answers::managedDisplay("D", 0xFFFFFFFF, 0)["Spaces"].size(),
              X11Answers::kMaxDesktops);
    EXPECT_EQ(X11Answers::opacityValue(1.0), 0xFFFFFFFFu);
    EXPECT_EQ(X11Answers::opacityValue(-1.0), 0u);
    EXPECT_EQ(X11Answers::opacityValue(2.0), 0xFFFFFFFFu);
}

// _NET_DESKTOP_NAMES: NUL-terminated, the last NUL optional, bounded; empty names name nothing.
TEST(X11AnswersTest, DesktopNamesAreSplitBoundedAndCarriedPerDesktop) {
    using Names = std::vector<std::string>;
    using namespace std::string_literals;
    using namespace std::string_view_literals;
    EXPECT_EQ(X11Answers::desktopNames("Mail\0\0Web\0"sv, 8), (Names{"Mail", "", "Web"}));
    EXPECT_EQ(X11Answers::desktopNames("Mail\0Web"sv, 8), (Names{"Mail", "Web"}));
    EXPECT_EQ(X11Answers::desktopNames("a\0b\0c\0d"sv, 2), (Names{"a", "b"}));
    EXPECT_EQ(X11Answers::desktopNames(""sv, 8), Names{});
    const Names names{"Mail", "", "Web", "Extra"};
    const json display = X11Answers::managedDisplay("D", 3, 0, names);
    ASSERT_EQ(display["Spaces"].size(), 3u);
    EXPECT_EQ(display["Spaces"][0]["Name"], "Mail");
    EXPECT_FALSE(display["Spaces"][1].contains("Name"));
    EXPECT_EQ(display["Spaces"][2]["Name"], "Web");

    // Renaming one writes the whole list: the others keep theirs, none past the desktops.
    const auto renamed = [](Names list, std::uint32_t index, const std::string& name) {
        return X11Answers::renamedDesktopNames(std::move(list), 3, index, name, 32);
    };
    EXPECT_EQ(renamed(names, 1, "📬 Post"), "Mail\0📬 Post\0Web\0"sv);
    EXPECT_EQ(renamed({}, 2, "Web"), "\0\0Web\0"sv);
    EXPECT_EQ(renamed({"Mail"}, 0, ""), ""sv);
    EXPECT_EQ(renamed(names, 3, "x"), std::nullopt);
    EXPECT_EQ(renamed(names, 0, "a\0b"s), std::nullopt);
    EXPECT_EQ(renamed(names, 0, std::string(30, 'x')), std::nullopt);
}

// A kept answer whose current desktop moves must say what a fresh one would, names and all.
TEST(X11AnswersTest, MovingTheCurrentDesktopOfAKeptAnswerMatchesAFreshAnswer) {
    const std::vector<std::string> names = {"Mail", "", "Web", "Chat"};
    json kept = X11Answers::managedDisplay("D", 4, 0, names);
    for (const std::uint32_t current : {2u, 3u, 0u, 1u, 1u}) {
        X11Answers::setCurrentDesktop(kept, current);
        EXPECT_EQ(kept, X11Answers::managedDisplay("D", 4, current, names)) << current;
    }
}

// The answers must read to the core as the window server's do.
TEST(X11AnswersTest, AnswersReadAsDesktopsAndOrdinaryWindows) {
    const std::string identifier = X11Answers::displayIdentifier("", 3, 0);
    const auto spaces = test::detectedSpaces(
        json::array({X11Answers::managedDisplay(identifier, 3, 1)}), identifier, "screen");
    ASSERT_EQ(spaces.size(), 3u);
    // The "Current Space" dictionary alone marks the shown desktop.
    for (int i = 0; i < 3; ++i) {
        const SpaceInfo& s = spaces[i];
        EXPECT_EQ(
            std::tuple(s.persistenceID, s.managedSpaceID, s.desktopIndex, s.displayIdentifier,
                       s.isActiveOnDisplay, s.isCurrent),
            std::tuple("msid-" + std::to_string(i + 1), i + 1, i + 1, identifier, i == 1, i == 1));
    }

    const auto bounds = [](const X11Answers::WindowFacts& facts) {
        return DisplayDirectory::ordinaryWindowBounds(X11Answers::window(facts),
                                                      [](std::int32_t) { return true; });
    };
    const Rect rect{10, 20, 300, 200};
    EXPECT_EQ(bounds({4242, 0, std::nullopt, rect}), rect);
    EXPECT_EQ(bounds({4242, 20, std::nullopt, rect}), std::nullopt);        // a dock
    EXPECT_EQ(bounds({4242, 0, 0.0, rect}), std::nullopt);                  // fully transparent
    EXPECT_EQ(bounds({std::nullopt, 0, std::nullopt, rect}), std::nullopt); // no _NET_WM_PID
}

} // namespace
} // namespace quillbar
