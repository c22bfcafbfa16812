#pragma once

#include "FakePlatform.h"
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"
#include "observer/SpaceObserver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillbar::test {

// A space as the fake window server reports it: managed id, type and uuid (none for no uuid).
struct FakeSpace {
    std::int64_t managedID;
    int type = 0;
    std::optional<std::string> uuid;
};

// An observer on the fake platform with an in-memory name store, and a way to change the desktops
// the window server reports.
class RenameFixture : public ::testing::Test {
protected:
    static constexpr const char* mainDisplay = "MAIN-UUID";
    static constexpr const char* sideDisplay = "SIDE-UUID";

    RenameFixture() {
        fake.displays.addDisplay(1, mainDisplay, Rect{0, 0, 1920, 1080}, "Built-in Display");
        fake.setDesktops(3, 1, mainDisplay);
        observer.refresh();
    }

    // Desktops "uuid-1".."uuid-count" on the main display; current is the managed id in front.
    void setDesktops(int count, int current) {
        fake.setDesktops(count, current, mainDisplay);
        settle();
    }

    // The main display's spaces in window-server order.
    void setSpaces(const std::vector<FakeSpace>& spaces, std::int64_t current) {
        fake.windowServer.managedDisplaySpaces =
            nlohmann::json::array({displayAnswer(mainDisplay, spaces, current)});
        fake.windowServer.activeSpaceAnswer = current;
        settle();
    }

    // Spaces on both displays; the side display is named "Studio Display".
    void setTwoDisplays(const std::vector<FakeSpace>& main, const std::vector<FakeSpace>& side,
                        std::int64_t current) {
        if (fake.displays.screenList.size() < 2)
            fake.displays.addDisplay(2, sideDisplay, Rect{1920, 0, 1280, 1024}, "Studio Display");
        fake.windowServer.managedDisplaySpaces = nlohmann::json::array(
            {displayAnswer(mainDisplay, main, current), displayAnswer(sideDisplay, side, current)});
        fake.windowServer.activeSpaceAnswer = current;
        settle();
    }

    // Refreshes the observer and runs whatever that put on the main queue.
    void settle() {
        observer.refresh();
        fake.mainQueue.drain();
    }

    FakePlatform fake;
    MemoryDefaults defaults;
    SpaceNameStore store{defaults};
    SpaceObserver observer{store, fake.platform};

private:
    static nlohmann::json displayAnswer(const std::string& display,
                                        const std::vector<FakeSpace>& spaces,
                                        std::int64_t current) {
        std::vector<nlohmann::json> answers;
        for (const FakeSpace& space : spaces)
            answers.push_back(WindowServerAnswers::space(space.managedID, space.type, space.uuid));
        return WindowServerAnswers::display(display, answers, current);
    }
};

} // namespace quillbar::test
