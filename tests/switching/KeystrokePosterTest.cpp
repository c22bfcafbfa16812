#include "switching/KeystrokePoster.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace quillbar {
namespace {

using std::chrono::milliseconds;
using Step = test::FakeKeyboard::Step;

constexpr std::uint64_t kControl = KeyEvent::kControlFlag;

Step posted(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) {
    return Step{KeyEvent{keyCode, keyDown, flags}, {}};
}

Step paused(int ms) {
    return Step{std::nullopt, milliseconds(ms)};
}

milliseconds totalPause(const std::vector<Step>& steps) {
    std::chrono::microseconds total{0};
    for (const Step& step : steps) {
        total += step.pause;
    }
    return std::chrono::duration_cast<milliseconds>(total);
}

TEST(KeystrokePoster, WithoutHopsOnlyPressesAndReleasesControl) {
    test::FakeKeyboard keyboard;
    KeystrokePoster(keyboard).postSpaceSwitchKeystrokes(0, KeyEvent::kRightArrowKeyCode);

    EXPECT_EQ(keyboard.steps, (std::vector<Step>{posted(59, true, kControl), paused(20), paused(20),
                                                 posted(59, false, 0)}));
}

TEST(KeystrokePoster, TapsTheArrowOncePerHopWithControlHeld) {
    test::FakeKeyboard keyboard;
    KeystrokePoster(keyboard).postSpaceSwitchKeystrokes(3, KeyEvent::kLeftArrowKeyCode);

    EXPECT_EQ(keyboard.steps, (std::vector<Step>{posted(59, true, kControl), paused(20),    //
                                                 posted(123, true, kControl), paused(40),   //
                                                 posted(123, false, kControl), paused(150), //
                                                 posted(123, true, kControl), paused(40),   //
                                                 posted(123, false, kControl), paused(150), //
                                                 posted(123, true, kControl), paused(40),   //
                                                 posted(123, false, kControl), paused(20),  //
                                                 posted(59, false, 0)}));
}

TEST(KeystrokePoster, PausesAddUpTo190MillisecondsPerHopMinus110) {
    for (int hops = 1; hops <= 5; ++hops) {
        test::FakeKeyboard keyboard;
        KeystrokePoster(keyboard).postSpaceSwitchKeystrokes(hops, KeyEvent::kRightArrowKeyCode);
        EXPECT_EQ(totalPause(keyboard.steps), milliseconds(190 * hops - 110)) << hops << " hops";
    }
}

TEST(KeystrokePoster, SkipsEventsThatCannotBeMadeButKeepsEveryPause) {
    test::FakeKeyboard keyboard;
    keyboard.failingEvents = {{124, true}};
    KeystrokePoster(keyboard).postSpaceSwitchKeystrokes(2, KeyEvent::kRightArrowKeyCode);

    EXPECT_EQ(keyboard.steps,
              (std::vector<Step>{posted(59, true, kControl), paused(20),                //
                                 paused(40), posted(124, false, kControl), paused(150), //
                                 paused(40), posted(124, false, kControl), paused(20),  //
                                 posted(59, false, 0)}));
}

TEST(KeystrokePoster, StillReleasesControlWhenPressingItFailed) {
    test::FakeKeyboard keyboard;
    keyboard.failingEvents = {{59, true}};
    KeystrokePoster(keyboard).postSpaceSwitchKeystrokes(1, KeyEvent::kRightArrowKeyCode);

    ASSERT_FALSE(keyboard.steps.empty());
    EXPECT_EQ(keyboard.steps.back(), posted(59, false, 0));
    EXPECT_EQ(totalPause(keyboard.steps), milliseconds(80));
}

} // namespace
} // namespace quillbar
