#pragma once

#include "FakePlatform.h"
#include "model/MemoryDefaults.h"
#include "model/SpaceNameStore.h"
#include "observer/SpaceObserver.h"

#include <gtest/gtest.h>

#include <memory>

namespace quillbar::test {

// An observer on the fake platform with an in-memory name store; the observer goes first.
class ObserverFixture : public ::testing::Test {
protected:
    SpaceObserver& makeObserver() {
        observer = std::make_unique<SpaceObserver>(store, fake.platform);
        return *observer;
    }
    // Counts every announcement of the observer's published members.
    void countPublications() {
        subscription = observer->subscribe([this] { ++publications; });
    }

    FakePlatform fake;
    MemoryDefaults defaults;
    SpaceNameStore store{defaults};
    std::unique_ptr<SpaceObserver> observer;
    Subscription subscription;
    int publications = 0;
};

} // namespace quillbar::test
