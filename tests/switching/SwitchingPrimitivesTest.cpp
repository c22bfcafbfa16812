#include "FakePlatform.h"
#include "switching/FocusYielder.h"
#include "switching/KeystrokePoster.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillbar {
namespace {

using nlohmann::json;
using test::WindowServerAnswers::window;
using Steps = std::vector<std::string>;

// The keyboard after posting: "+59^" is key 59 going down with Control flagged, "-59" going up with
// no flags, a number is a pause in whole milliseconds (the totals are checked exactly).
Steps keystrokes(std::int64_t hops, std::uint16_t keyCode, test::FakeKeyboard keyboard = {}) {
    KeystrokePoster(keyboard).postSpaceSwitchKeystrokes(hops, keyCode);
    Steps out;
    for (const auto& [event, pause] : keyboard.steps) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(pause).count();
        out.push_back(!event ? std::to_string(ms)
                             : (event->keyDown ? "+" : "-") + std::to_string(event->keyCode) +
                                   (event->flags == KeyEvent::kControlFlag ? "^"
                                    : event->flags == 0                    ? ""
                                                                           : "?"));
    }
    return out;
}

TEST(KeystrokePoster, TapsTheArrowOncePerHopWithControlHeld) {
    EXPECT_EQ(keystrokes(0, 124), (Steps{"+59^", "20", "20", "-59"}));
    EXPECT_EQ(keystrokes(3, 123), (Steps{"+59^", "20", "+123^", "40", "-123^", "150", "+123^", "40",
                                         "-123^", "150", "+123^", "40", "-123^", "20", "-59"}));
    // Events that cannot be made are skipped; every pause is still taken.
    test::FakeKeyboard failing;
    failing.failingEvents = {{124, true}, {59, true}};
    EXPECT_EQ(keystrokes(2, 124, failing),
              (Steps{"20", "40", "-124^", "150", "40", "-124^", "20", "-59"}));
}

TEST(KeystrokePoster, PausesAddUpTo190MillisecondsPerHopMinus110) {
    for (int hops = 1; hops <= 5; ++hops) {
        test::FakeKeyboard keyboard;
        KeystrokePoster(keyboard).postSpaceSwitchKeystrokes(hops, KeyEvent::kRightArrowKeyCode);
        std::chrono::microseconds total{0};
        for (const auto& step : keyboard.steps) {
            total += step.pause;
        }
        EXPECT_EQ(total, std::chrono::milliseconds(190 * hops - 110)) << hops << " hops";
    }
}

TEST(FocusYielder, ActivatesTheRunningOwnerOfTheFrontmostOrdinaryWindowOfAnotherApp) {
    constexpr std::int32_t kEditor = 300;
    constexpr std::int32_t kBrowser = 301;
    test::FakePlatform fake;
    fake.workspace.applications[kEditor] = RunningApplication{kEditor, "Editor"};
    fake.workspace.applications[kBrowser] = RunningApplication{kBrowser, "Browser"};
    const std::int32_t own = fake.workspace.ownPID;
    const Rect big{100, 100, 800, 600};
    const auto yield = [&](const json& windows) {
        fake.workspace.activations.clear();
        fake.windowServer.windowList = windows;
        FocusYielder(fake.platform).yieldFocusToTopWindowOnCurrentSpace();
        return fake.workspace.activations;
    };
    using Pids = std::vector<std::int32_t>;
    EXPECT_EQ(yield(json::array({window(own, big), window(kEditor, big, 25),
                                 window(kBrowser, Rect{0, 0, 21, 21}), window(kEditor, big)})),
              Pids{kBrowser});
    EXPECT_EQ(yield(json::array({window(own, big)})), Pids{});
    EXPECT_EQ(yield(json::array({window(999, big), window(kEditor, big)})), Pids{}); // has quit
    EXPECT_EQ(yield(json::array({42, window(kEditor, big)})), Pids{});
    EXPECT_EQ(yield(json::object()), Pids{});
}

} // namespace
} // namespace quillbar
