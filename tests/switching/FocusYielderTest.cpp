#include "switching/FocusYielder.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillbar {
namespace {

using nlohmann::json;
using test::WindowServerAnswers::window;

constexpr std::int32_t kEditor = 300;
constexpr std::int32_t kBrowser = 301;

class FocusYielderTest : public ::testing::Test {
protected:
    FocusYielderTest() {
        fake.workspace.applications[kEditor] = RunningApplication{kEditor, "Editor"};
        fake.workspace.applications[kBrowser] = RunningApplication{kBrowser, "Browser"};
    }

    std::vector<std::int32_t> yield(const json& windowList) {
        fake.windowServer.windowList = windowList;
        FocusYielder(fake.platform).yieldFocusToTopWindowOnCurrentSpace();
        return fake.workspace.activations;
    }

    test::FakePlatform fake;
    const std::int32_t own = fake.workspace.ownPID;
    const Rect big{100, 100, 800, 600};
};

TEST_F(FocusYielderTest, ActivatesTheOwnerOfTheFrontmostOrdinaryWindowOfAnotherApplication) {
    const json windows = json::array({
        window(own, big),                     // our own window
        window(kEditor, big, 25),             // a panel above the desktop
        window(kEditor, big, 0, 0.0),         // invisible
        window(kEditor, Rect{0, 0, 21, 20}),  // too small
        window(kBrowser, Rect{0, 0, 21, 21}), // the first that qualifies
        window(kEditor, big),
    });
    EXPECT_EQ(yield(windows), std::vector<std::int32_t>{kBrowser});
}

TEST_F(FocusYielderTest, LeavesTheFocusAloneWhenOnlyOwnWindowsAreShown) {
    EXPECT_TRUE(yield(json::array({window(own, big), window(own, big)})).empty());
}

TEST_F(FocusYielderTest, GivesUpWhenTheFrontmostCandidateHasQuit) {
    EXPECT_TRUE(yield(json::array({window(999, big), window(kEditor, big)})).empty());
}

TEST_F(FocusYielderTest, DoesNothingWithoutAUsableWindowList) {
    EXPECT_TRUE(yield(json()).empty());
    EXPECT_TRUE(yield(json::object()).empty());
    EXPECT_TRUE(yield(json::array({42, window(kEditor, big)})).empty());
}

} // namespace
} // namespace quillbar
