// SPDX-License-Identifier: GPL-3.0-or-later
#include "switching/SpaceSwitcher.h"

#include "observer/SpaceObserver.h"
#include "switching/FocusYielder.h"
#include "switching/KeystrokePoster.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

namespace quillbar {

namespace {

// How log lines name a space: its key, else its managed id.
std::string spaceLabel(const SpaceInfo& space) {
    if (space.persistenceID) {
        return *space.persistenceID;
    }
    return space.managedSpaceID ? "managed space " + std::to_string(*space.managedSpaceID)
                                : space.id;
}

// Whether two records name the same space of the window manager.
bool sameSpace(const SpaceInfo& a, const SpaceInfo& b) {
    return a.displayIdentifier == b.displayIdentifier && a.managedSpaceID == b.managedSpaceID;
}

// The record of spaces that names the same space as target, if any.
const SpaceInfo* findSpace(const std::vector<SpaceInfo>& spaces, const SpaceInfo& target) {
    const auto found = std::find_if(spaces.begin(), spaces.end(),
                                    [&](const SpaceInfo& s) { return sameSpace(s, target); });
    return found == spaces.end() ? nullptr : &*found;
}

} // namespace

SpaceSwitcher::SpaceSwitcher(SpaceObserver& observer, Platform& platform)
    : observer_(observer)
    , platform_(platform)
    , api_(observer.api())
    , anchors_(platform, observer.displays(), api_) {
    detections_ = observer_.onDetection(
        [this](const std::vector<SpaceInfo>& detected, TimePoint lastSpaceChangeAt) {
            noticeDirectLanding(detected);
            anchors_.synchronize(detected, lastSpaceChangeAt, suppressSwitchesUntil_);
        });
    switchRequests_ =
        observer_.onSwitchRequest([this](const SpaceInfo& target) { switchTo(target); });
}

SpaceSwitcher::~SpaceSwitcher() = default;

Subscription SpaceSwitcher::subscribe(std::function<void()> handler) {
    return anchors_.subscribeSeededSpaceIDs(
        [handler = std::move(handler)](const std::set<std::string>&) { handler(); });
}

bool SpaceSwitcher::canSwitch(const SpaceInfo& target) const {
    if (target.isCurrent) {
        return true;
    }
    if (target.type != SpaceInfo::fullscreenType) {
        if (api_.showSpace) {
            return target.managedSpaceID.has_value();
        }
        if (!target.persistenceID) {
            return false;
        }
        if (anchors_.seededSpaceIDs().count(*target.persistenceID) > 0) {
            return true;
        }
        return platform_.keyboard.isProcessTrusted();
    }
    return target.ownerPID && platform_.workspace.runningApplication(*target.ownerPID);
}

SpaceSwitcher::Outcome SpaceSwitcher::switchTo(const SpaceInfo& target) {
    if (directTarget_) {
        // Also a request for the space shown now: the user wants to go back there.
        return queueBehindDirectSwitch(target);
    }
    if (target.isCurrent) {
        return Outcome::AlreadyThere;
    }
    const TimePoint now = platform_.mainQueue.now();
    if (now < suppressSwitchesUntil_) {
        log(LogLevel::Default, "Switch ignored: previous switch still in flight");
        return Outcome::Refused;
    }
    if (target.type == SpaceInfo::fullscreenType) {
        return switchToFullscreenSpace(target, now);
    }
    if (api_.showSpace) {
        return switchDirectly(target, now);
    }
    if (target.persistenceID) {
        if (AnchorWindow* anchor = anchors_.anchor(*target.persistenceID)) {
            switchByAnchor(*target.persistenceID, *anchor, now);
            return Outcome::Started;
        }
    }
    return switchByKeystrokes(target);
}

SpaceSwitcher::Outcome SpaceSwitcher::switchToFullscreenSpace(const SpaceInfo& target,
                                                              TimePoint now) {
    if (!target.ownerPID || !platform_.workspace.runningApplication(*target.ownerPID)) {
        log(LogLevel::Default, "Switch skipped: fullscreen space owner is no longer running");
        return Outcome::Refused;
    }
    const std::int32_t pid = *target.ownerPID;
    log(LogLevel::Default,
        "App-activation switch to fullscreen space of pid " + std::to_string(pid));
    suppressSwitchesUntil_ = now + kSwitchSuppression;
    platform_.workspace.activate(pid);
    later(kSettleDelay, [this] { observer_.refresh(); });
    return Outcome::Started;
}

SpaceSwitcher::Outcome SpaceSwitcher::switchDirectly(const SpaceInfo& target, TimePoint now) {
    if (!target.managedSpaceID) {
        log(LogLevel::Default, "Switch skipped: the window manager has no id for this space");
        return Outcome::Refused;
    }
    log(LogLevel::Default, "Direct switch to " + spaceLabel(target));
    suppressSwitchesUntil_ = now + kSwitchSuppression;
    directTarget_ = target;
    const std::uint64_t number = ++directSwitches_;
    api_.showSpace(*target.managedSpaceID);
    // The window manager's announcement usually ends the switch first; these catch a missed one.
    later(kSettleDelay, [this, number] {
        if (directTarget_ && number == directSwitches_) {
            observer_.refresh();
        }
    });
    later(kSwitchSuppression, [this, number] { endDirectSwitchAtBound(number); });
    return Outcome::Started;
}

SpaceSwitcher::Outcome SpaceSwitcher::queueBehindDirectSwitch(const SpaceInfo& target) {
    if (sameSpace(target, *directTarget_)) {
        queued_.reset(); // the switch in flight is again the latest wish
        return Outcome::Queued;
    }
    queued_ = target;
    log(LogLevel::Info, "Switch to " + spaceLabel(target) + " queued behind the one in flight");
    return Outcome::Queued;
}

void SpaceSwitcher::noticeDirectLanding(const std::vector<SpaceInfo>& detected) {
    if (!directTarget_) {
        return;
    }
    const SpaceInfo* target = findSpace(detected, *directTarget_);
    if (target && target->isActiveOnDisplay) {
        log(LogLevel::Default, "Direct switch landed");
        finishDirectSwitch(detected);
    }
}

void SpaceSwitcher::endDirectSwitchAtBound(std::uint64_t number) {
    if (!directTarget_ || number != directSwitches_) {
        return;
    }
    observer_.refresh(); // may see the landing and end the switch itself
    if (directTarget_ && number == directSwitches_) {
        log(LogLevel::Default, "Direct switch did NOT land");
        finishDirectSwitch(observer_.spaces());
    }
}

void SpaceSwitcher::finishDirectSwitch(const std::vector<SpaceInfo>& spaces) {
    directTarget_.reset();
    suppressSwitchesUntil_ = platform_.mainQueue.now();
    const std::optional<SpaceInfo> next = std::exchange(queued_, std::nullopt);
    if (!next) {
        return;
    }
    // The queued record may be stale: whether its space is current is read afresh.
    const SpaceInfo* fresh = findSpace(spaces, *next);
    switchTo(fresh ? *fresh : *next);
}

void SpaceSwitcher::switchByAnchor(const std::string& persistenceID, AnchorWindow& anchor,
                                   TimePoint now) {
    log(LogLevel::Default, "Anchor switch to " + persistenceID);
    suppressSwitchesUntil_ = now + kSwitchSuppression;
    anchor.makeKeyAndOrderFront();
    platform_.workspace.activateOwnApplication();
    later(kSettleDelay, [this, persistenceID] { checkAnchorLanding(persistenceID); });
}

SpaceSwitcher::Outcome SpaceSwitcher::switchByKeystrokes(const SpaceInfo& target) {
    if (!platform_.keyboard.isProcessTrusted()) {
        log(LogLevel::Default,
            "Click ignored: no anchor for this space yet (visit it once to seed) and no " +
                platform_.keyboard.permissionName() + " fallback");
        return Outcome::Refused;
    }
    log(LogLevel::Info,
        "Keystroke fallback: " + platform_.keyboard.permissionName() + "=true, switching");
    const SpaceInfo* current = SpaceInfo::firstCurrent(observer_.spaces());
    if (!current || current->displayIdentifier != target.displayIdentifier) {
        log(LogLevel::Info, "Switch skipped: target is on another display");
        return Outcome::Refused;
    }
    const std::int64_t hops =
        std::int64_t{target.missionControlIndex} - current->missionControlIndex;
    if (hops == 0) {
        return Outcome::AlreadyThere;
    }
    log(LogLevel::Info, "Keystroke switch: " + std::to_string(hops) + " hops");
    const std::int64_t distance = hops < 0 ? -hops : hops;
    const std::uint16_t keyCode =
        hops > 0 ? KeyEvent::kRightArrowKeyCode : KeyEvent::kLeftArrowKeyCode;
    // The poster holds only the keyboard and gets the hops and key code by value.
    platform_.backgroundQueue.run(
        [poster = KeystrokePoster(platform_.keyboard), distance, keyCode] {
            poster.postSpaceSwitchKeystrokes(distance, keyCode);
        });
    later(kKeystrokeCheckBase + kKeystrokeCheckPerHop * distance,
          [this, target] { checkKeystrokeLanding(target); });
    return Outcome::Started;
}

void SpaceSwitcher::checkAnchorLanding(const std::string& persistenceID) {
    FocusYielder(platform_).yieldFocusToTopWindowOnCurrentSpace();
    observer_.refresh();
    const std::vector<SpaceInfo>& spaces = observer_.spaces();
    const auto target = std::find_if(spaces.begin(), spaces.end(), [&](const SpaceInfo& s) {
        return s.persistenceID == persistenceID;
    });
    const bool landed = target != spaces.end() && target->isActiveOnDisplay;
    log(LogLevel::Default, landed ? "Anchor switch landed" : "Anchor switch did NOT land");
    if (!landed) {
        // An anchor that cannot bring its desktop forward is not trusted again.
        anchors_.drop(persistenceID);
    }
}

void SpaceSwitcher::checkKeystrokeLanding(const SpaceInfo& target) {
    observer_.refresh();
    const SpaceInfo* current = SpaceInfo::firstCurrent(observer_.spaces());
    const std::optional<std::int64_t> landedOn =
        current ? current->managedSpaceID : std::optional<std::int64_t>{};
    if (landedOn != target.managedSpaceID) {
        log(LogLevel::Info, "Keystroke switch did not land; relaunch after granting " +
                                platform_.keyboard.permissionName() + " may be needed");
    }
}

void SpaceSwitcher::later(Milliseconds delay, std::function<void()> work) {
    platform_.mainQueue.after(delay,
                              [alive = std::weak_ptr<int>(lifetime_), work = std::move(work)] {
                                  if (alive.lock()) {
                                      work();
                                  }
                              });
}

void SpaceSwitcher::log(LogLevel level, const std::string& message) {
    platform_.log.log(level, message);
}

} // namespace quillbar
