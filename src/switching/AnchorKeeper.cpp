// SPDX-License-Identifier: GPL-3.0-or-later
#include "switching/AnchorKeeper.h"

#include "observer/ValueCoercion.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace quillbar {

namespace {

// Anchors are left alone this long after a space change: the window manager may still be moving.
constexpr Milliseconds kDriftSettleTime{2500};
// Consecutive mismatches before an anchor counts as drifted.
constexpr int kDriftStrikesToClose = 2;
// Where an anchor sits relative to its screen's frame, and how big it is.
constexpr double kAnchorInset = 40;
constexpr double kAnchorSide = 2;
// A failed placement is tried again after a pause that doubles with every failure, up to a cap:
// a window manager that never places windows must not cost a window on every refresh.
constexpr Milliseconds kFirstPlacementRetry{2000};
constexpr Milliseconds kLongestPlacementRetry{300000};

std::string bracketed(const std::vector<std::int64_t>& numbers) {
    std::string text = "[";
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        text += (i == 0 ? "" : ", ") + std::to_string(numbers[i]);
    }
    return text + "]";
}

} // namespace

AnchorKeeper::AnchorKeeper(Platform& platform, const DisplayDirectory& displays,
                           const SpaceServerAPI& api)
    : platform_(platform)
    , displays_(displays)
    , api_(api) {}

AnchorKeeper::~AnchorKeeper() {
    // No announcement here: whoever subscribed may already be going away.
    for (auto& [key, window] : anchorWindows_) {
        window->close();
    }
}

void AnchorKeeper::synchronize(const std::vector<SpaceInfo>& spaces, TimePoint lastSpaceChangeAt,
                               TimePoint suppressSwitchesUntil) {
    if (api_.showSpace) {
        return; // the window manager shows spaces on request: no anchors at all
    }
    closeVanishedAnchors(spaces);
    closeDriftedAnchors(spaces, lastSpaceChangeAt, suppressSwitchesUntil);
    for (const SpaceInfo& space : spaces) {
        seed(space);
    }
    publishSeeded();
}

AnchorWindow* AnchorKeeper::anchor(const std::string& persistenceID) const {
    const auto found = anchorWindows_.find(persistenceID);
    return found == anchorWindows_.end() ? nullptr : found->second.get();
}

void AnchorKeeper::drop(const std::string& persistenceID) {
    const auto found = anchorWindows_.find(persistenceID);
    if (found != anchorWindows_.end()) {
        found->second->close();
        anchorWindows_.erase(found);
    }
    publishSeeded();
}

void AnchorKeeper::closeAll() {
    for (auto& [key, window] : anchorWindows_) {
        window->close();
    }
    anchorWindows_.clear();
    publishSeeded();
}

bool AnchorKeeper::assign(AnchorWindow& window, std::int64_t managedSpaceID) {
    platform_.windowServer.addWindowsToSpaces(window.windowNumber(), managedSpaceID);
    if (!api_.copySpacesForWindows) {
        return false;
    }
    const std::vector<std::int64_t> spaces = spacesOf(window);
    return std::find(spaces.begin(), spaces.end(), managedSpaceID) != spaces.end();
}

void AnchorKeeper::closeVanishedAnchors(const std::vector<SpaceInfo>& spaces) {
    std::set<std::string> keep;
    for (const SpaceInfo& space : spaces) {
        if (space.persistenceID) {
            keep.insert(*space.persistenceID);
        }
    }
    std::erase_if(placementRetries_,
                  [&](const auto& entry) { return !keep.contains(entry.first); });
    for (auto it = anchorWindows_.begin(); it != anchorWindows_.end();) {
        if (keep.count(it->first) > 0) {
            ++it;
            continue;
        }
        it->second->close();
        it = anchorWindows_.erase(it);
    }
}

void AnchorKeeper::closeDriftedAnchors(const std::vector<SpaceInfo>& spaces,
                                       TimePoint lastSpaceChangeAt,
                                       TimePoint suppressSwitchesUntil) {
    if (!api_.copySpacesForWindows) {
        return;
    }
    const TimePoint now = platform_.mainQueue.now();
    // Compared this way round so that no difference with a far-away time point can overflow.
    if (lastSpaceChangeAt >= now - kDriftSettleTime) {
        return;
    }
    if (now < suppressSwitchesUntil) {
        return;
    }
    std::map<std::string, std::int64_t> expected;
    for (const SpaceInfo& space : spaces) {
        if (space.persistenceID && space.managedSpaceID) {
            expected[*space.persistenceID] = *space.managedSpaceID;
        }
    }
    if (expected.empty()) {
        return;
    }
    std::vector<std::string> keys;
    for (const auto& entry : anchorWindows_) {
        keys.push_back(entry.first);
    }
    for (const std::string& key : keys) {
        const auto wanted = expected.find(key);
        if (wanted != expected.end()) {
            examineDrift(key, wanted->second);
        }
    }
}

void AnchorKeeper::examineDrift(const std::string& key, std::int64_t expectedSpaceID) {
    AnchorWindow& window = *anchorWindows_.at(key);
    const std::vector<std::int64_t> spaces = spacesOf(window);
    if (spaces.empty()) {
        return; // no answer is no evidence
    }
    if (std::find(spaces.begin(), spaces.end(), expectedSpaceID) != spaces.end()) {
        driftStrikes_.erase(key);
        return;
    }
    const int strikes = driftStrikes_[key] + 1;
    if (strikes < kDriftStrikesToClose) {
        driftStrikes_[key] = strikes;
        return;
    }
    platform_.log.log(LogLevel::Default,
                      "Anchor for " + key + " drifted to " + bracketed(spaces) + "; closing");
    window.close();
    anchorWindows_.erase(key);
    driftStrikes_.erase(key);
}

void AnchorKeeper::seed(const SpaceInfo& space) {
    if (space.type != SpaceInfo::ordinaryDesktopType || !space.persistenceID ||
        anchorWindows_.count(*space.persistenceID) > 0) {
        return;
    }
    const std::string& key = *space.persistenceID;
    const TimePoint now = platform_.mainQueue.now();
    const auto retry = placementRetries_.find(key);
    if (!space.isActiveOnDisplay && retry != placementRetries_.end() &&
        now < retry->second.notBefore) {
        return; // a shown space needs no placement and is seeded at once
    }
    const std::optional<Rect> frame = displays_.screenFrame(space.displayIdentifier);
    if (!frame) {
        return; // the next refresh tries again
    }
    const Rect contentRect{frame->x + kAnchorInset, frame->y + kAnchorInset, kAnchorSide,
                           kAnchorSide};
    std::unique_ptr<AnchorWindow> window = platform_.workspace.createAnchorWindow(contentRect);
    if (!window) {
        return;
    }
    // A window made while its space is shown already lies on it; others must be moved there.
    if (!space.isActiveOnDisplay &&
        !(space.managedSpaceID && assign(*window, *space.managedSpaceID))) {
        window->close();
        platform_.log.log(LogLevel::Default, "Anchor placement failed for " + key);
        postponePlacement(key, now);
        return;
    }
    placementRetries_.erase(key);
    anchorWindows_.emplace(key, std::move(window));
    platform_.log.log(LogLevel::Default, "Anchor seeded for " + key);
}

void AnchorKeeper::postponePlacement(const std::string& key, TimePoint now) {
    PlacementRetry& retry = placementRetries_[key];
    retry.pause = retry.pause == Milliseconds{0}
                      ? kFirstPlacementRetry
                      : std::min(retry.pause * 2, kLongestPlacementRetry);
    retry.notBefore = now + retry.pause;
}

void AnchorKeeper::publishSeeded() {
    std::set<std::string> keys;
    for (const auto& entry : anchorWindows_) {
        keys.insert(entry.first);
    }
    seededSpaceIDs_.setIfChanged(std::move(keys));
}

std::vector<std::int64_t> AnchorKeeper::spacesOf(const AnchorWindow& window) const {
    if (!api_.copySpacesForWindows) {
        return {};
    }
    const nlohmann::json answer = api_.copySpacesForWindows(window.windowNumber());
    if (!answer.is_array()) {
        return {};
    }
    std::vector<std::int64_t> spaces;
    for (const nlohmann::json& entry : answer) {
        const std::optional<std::int64_t> number =
            entry.is_number() ? ValueCoercion::int64Value(entry) : std::nullopt;
        if (!number) {
            return {}; // not an array of numbers: no answer at all
        }
        spaces.push_back(*number);
    }
    return spaces;
}

} // namespace quillbar
