#pragma once

#include "FakePlatform.h"
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"
#include "observer/SpaceObserver.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>

namespace quillbar::test {

// A started observer on the fake platform with a name store in memory.
class MenuFixture : public ::testing::Test {
protected:
    // Four desktops on one display, the second current.
    void SetUp() override {
        startWith([this] { fake.setDesktops(4, 2); });
    }

    // Scripts the window server with setup, then makes and starts the observer.
    template <typename Setup> void startWith(Setup setup) {
        observer.reset();
        setup();
        observer = std::make_unique<SpaceObserver>(store, fake.platform);
        observer->start();
        settle();
    }

    // Two displays: "Built-in Display" with desktops 1 and 2 (2 current), "Side Display" with
    // desktops 3 and 4 (3 visible there).
    void twoDisplays() {
        using namespace WindowServerAnswers;
        fake.displays.addDisplay(1, "MAIN-UUID", Rect{0, 0, 1920, 1080}, "Built-in Display");
        fake.displays.addDisplay(2, "SIDE-UUID", Rect{1920, 0, 1280, 1024}, "Side Display");
        fake.windowServer.managedDisplaySpaces = nlohmann::json::array(
            {display("MAIN-UUID", {space(1, 0, "uuid-1"), space(2, 0, "uuid-2")}, 2),
             display("SIDE-UUID", {space(3, 0, "uuid-3"), space(4, 0, "uuid-4")}, 3)});
        fake.windowServer.activeSpaceAnswer = 2;
        fake.windowServer.displayCurrentAnswers = {{"MAIN-UUID", 2}, {"SIDE-UUID", 3}};
    }

    // Runs what is due on the virtual main queue and the Qt event loop.
    void settle() {
        fake.mainQueue.drain();
        QCoreApplication::processEvents();
        fake.mainQueue.drain();
    }

    FakePlatform fake;
    MemoryDefaults defaults;
    SpaceNameStore store{defaults};
    std::unique_ptr<SpaceObserver> observer;
};

} // namespace quillbar::test
