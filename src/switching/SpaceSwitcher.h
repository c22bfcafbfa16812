// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/SpaceInfo.h"
#include "model/Subscription.h"
#include "platform/Platform.h"
#include "switching/AnchorKeeper.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace quillbar {

class SpaceObserver;

// Brings a requested space to the front: app activation for full-screen spaces; the window
// manager's own request where the platform has one; otherwise the anchor window for seeded desktops
// and Control+arrow keystrokes for the rest. Checks afterwards where the switch landed. Sits beside
// the observer: keeps the anchors in line with its detections and serves its debug switch
// requests.
class SpaceSwitcher {
public:
    // What became of a request.
    enum class Outcome {
        Started,      // sent to the window manager, the application or the keyboard
        Queued,       // a direct switch is in flight; carried out once it lands or times out
        AlreadyThere, // the space is the current one
        Refused,      // logged why; nothing changes
    };
    // An app-activation or anchor switch holds back further switches this long; a direct switch
    // holds them (queued) until it lands, at most this long.
    static constexpr Milliseconds kSwitchSuppression{1200};
    // Delay before looking where an app-activation, direct or anchor switch went.
    static constexpr Milliseconds kSettleDelay{900};
    // Delay before looking where a keystroke switch went: a base plus a share per desktop crossed.
    static constexpr Milliseconds kKeystrokeCheckBase{800};
    static constexpr Milliseconds kKeystrokeCheckPerHop{350};

    // A switcher on the observer's spaces; it must go before the observer.
    SpaceSwitcher(SpaceObserver& observer, Platform& platform);
    // Pending follow-ups do nothing once the switcher is gone; its anchors close.
    ~SpaceSwitcher();
    SpaceSwitcher(const SpaceSwitcher&) = delete;
    SpaceSwitcher& operator=(const SpaceSwitcher&) = delete;

    // Whether a menu row for the space can be acted on.
    bool canSwitch(const SpaceInfo& target) const;
    // Starts a switch to the space, or queues it behind a direct switch in flight (the latest
    // request wins); returns at once, the landing check runs later on the main queue.
    Outcome switchTo(const SpaceInfo& target);
    // No new switch starts before this time.
    TimePoint suppressSwitchesUntil() const { return suppressSwitchesUntil_; }
    // Keys of the spaces that have an anchor, as last published.
    const std::set<std::string>& seededSpaceIDs() const { return anchors_.seededSpaceIDs(); }
    // Calls handler on every change of what canSwitch may answer (the seeded spaces).
    [[nodiscard]] Subscription subscribe(std::function<void()> handler);

private:
    Outcome switchToFullscreenSpace(const SpaceInfo& target, TimePoint now);
    Outcome switchDirectly(const SpaceInfo& target, TimePoint now);
    Outcome queueBehindDirectSwitch(const SpaceInfo& target);
    void switchByAnchor(const std::string& persistenceID, AnchorWindow& anchor, TimePoint now);
    Outcome switchByKeystrokes(const SpaceInfo& target);
    // Ends the direct switch in flight when the detected spaces show its target.
    void noticeDirectLanding(const std::vector<SpaceInfo>& detected);
    void endDirectSwitchAtBound(std::uint64_t number);
    // Clears the direct switch in flight and starts the queued request, if still needed.
    void finishDirectSwitch(const std::vector<SpaceInfo>& spaces);
    void checkAnchorLanding(const std::string& persistenceID);
    void checkKeystrokeLanding(const SpaceInfo& target);
    // Runs work on the main queue after delay, unless the switcher is gone by then.
    void later(Milliseconds delay, std::function<void()> work);
    void log(LogLevel level, const std::string& message);

    SpaceObserver& observer_;
    Platform& platform_;
    const SpaceServerAPI& api_;
    AnchorKeeper anchors_;
    Subscription detections_;
    Subscription switchRequests_;
    TimePoint suppressSwitchesUntil_{};     // the distant past (epoch)
    std::optional<SpaceInfo> directTarget_; // the direct switch in flight
    std::optional<SpaceInfo> queued_;       // the latest request made while it is in flight
    std::uint64_t directSwitches_ = 0;      // numbers the direct switches, for their bound
    // Delayed work holds this weakly, so it does nothing once the switcher is gone.
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

} // namespace quillbar
