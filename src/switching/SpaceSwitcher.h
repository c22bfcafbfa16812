#pragma once

#include "model/SpaceInfo.h"
#include "observer/AnchorKeeper.h"
#include "platform/Platform.h"

#include <memory>

namespace quillbar {

class SpaceObserver;

// Brings a requested space to the front: app activation for full-screen spaces, the anchor window for
// seeded desktops, Control+arrow keystrokes otherwise; checks afterwards where the switch landed.
class SpaceSwitcher {
public:
    SpaceSwitcher(SpaceObserver& observer, AnchorKeeper& anchors, Platform& platform);
    ~SpaceSwitcher();

    // Whether a menu row for the space can be acted on.
    bool canSwitch(const SpaceInfo& target) const;
    // Starts a switch to the space; returns at once, the landing check runs later on the main queue.
    void switchTo(const SpaceInfo& target);
    // No new switch starts before this time.
    TimePoint suppressSwitchesUntil() const { return suppressSwitchesUntil_; }

private:
    SpaceObserver& observer_;
    AnchorKeeper& anchors_;
    Platform& platform_;
    TimePoint suppressSwitchesUntil_{}; // the distant past (epoch)
    // Delayed work holds this weakly, so it does nothing once the switcher is gone.
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

} // namespace quillbar
