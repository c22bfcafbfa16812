// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Published.h"
#include "model/SpaceInfo.h"
#include "model/Subscription.h"
#include "observer/DisplayDirectory.h"
#include "platform/Platform.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace quillbar {

// Keeps one anchor window on every reachable ordinary desktop, keyed by persistence id: seeds them,
// closes those of vanished spaces and those the window manager moved away (two strikes). A failed
// placement is retried after growing pauses. Keeps none where the window manager shows spaces on
// request.
class AnchorKeeper {
public:
    AnchorKeeper(Platform& platform, const DisplayDirectory& displays, const SpaceServerAPI& api);
    // Closes every anchor without announcing anything.
    ~AnchorKeeper();
    AnchorKeeper(const AnchorKeeper&) = delete;
    AnchorKeeper& operator=(const AnchorKeeper&) = delete;

    // Brings the registry in line with a fresh detection; republishes seededSpaceIDs on change.
    void synchronize(const std::vector<SpaceInfo>& spaces, TimePoint lastSpaceChangeAt,
                     TimePoint suppressSwitchesUntil);
    // The anchor kept for the persistence id, or nullptr.
    AnchorWindow* anchor(const std::string& persistenceID) const;
    // Closes and forgets the anchor under the key; republishes seededSpaceIDs when membership
    // changed.
    void drop(const std::string& persistenceID);
    // Closes and forgets every anchor; republishes seededSpaceIDs when membership changed.
    void closeAll();

    // Keys of the spaces that have an anchor, as last published.
    const std::set<std::string>& seededSpaceIDs() const { return seededSpaceIDs_.value(); }
    // Announces every assignment of seededSpaceIDs once it is in place.
    Subscription subscribeSeededSpaceIDs(Published<std::set<std::string>>::Handler handler) {
        return seededSpaceIDs_.subscribe(std::move(handler));
    }

    // Puts the window on the managed space; true when the window server confirms it there.
    bool assign(AnchorWindow& window, std::int64_t managedSpaceID);

private:
    void closeVanishedAnchors(const std::vector<SpaceInfo>& spaces);
    void closeDriftedAnchors(const std::vector<SpaceInfo>& spaces, TimePoint lastSpaceChangeAt,
                             TimePoint suppressSwitchesUntil);
    void examineDrift(const std::string& key, std::int64_t expectedSpaceID);
    void seed(const SpaceInfo& space);
    // Holds back the next placement for the key, twice as long as the last time.
    void postponePlacement(const std::string& key, TimePoint now);
    void publishSeeded();
    // The managed spaces that hold the window; empty when the server gives no usable answer.
    std::vector<std::int64_t> spacesOf(const AnchorWindow& window) const;

    Platform& platform_;
    const DisplayDirectory& displays_;
    const SpaceServerAPI& api_;
    std::map<std::string, std::unique_ptr<AnchorWindow>> anchorWindows_;
    std::map<std::string, int> driftStrikes_;
    struct PlacementRetry {
        TimePoint notBefore{};
        Milliseconds pause{0};
    };
    std::map<std::string, PlacementRetry> placementRetries_;
    Published<std::set<std::string>> seededSpaceIDs_;
};

} // namespace quillbar
