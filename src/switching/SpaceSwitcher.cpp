#include "switching/SpaceSwitcher.h"

#include "observer/SpaceObserver.h"
#include "switching/FocusYielder.h"
#include "switching/KeystrokePoster.h"

#include <algorithm>
#include <cstdint>
#include <optional>

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

} // namespace

SpaceSwitcher::SpaceSwitcher(SpaceObserver& observer, Platform& platform)
    : observer_(observer)
    , platform_(platform)
    , api_(observer.api())
    , anchors_(platform, observer.displays(), api_) {
    detections_ = observer_.onDetection(
        [this](const std::vector<SpaceInfo>& detected, TimePoint lastSpaceChangeAt) {
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

void SpaceSwitcher::switchTo(const SpaceInfo& target) {
    if (target.isCurrent) {
        return;
    }
    const TimePoint now = platform_.mainQueue.now();
    if (now < suppressSwitchesUntil_) {
        log(LogLevel::Default, "Switch ignored: previous switch still in flight");
        return;
    }
    if (target.type == SpaceInfo::fullscreenType) {
        switchToFullscreenSpace(target, now);
        return;
    }
    if (api_.showSpace) {
        switchDirectly(target, now);
        return;
    }
    if (target.persistenceID) {
        if (AnchorWindow* anchor = anchors_.anchor(*target.persistenceID)) {
            switchByAnchor(*target.persistenceID, *anchor, now);
            return;
        }
    }
    switchByKeystrokes(target);
}

void SpaceSwitcher::switchToFullscreenSpace(const SpaceInfo& target, TimePoint now) {
    if (!target.ownerPID || !platform_.workspace.runningApplication(*target.ownerPID)) {
        log(LogLevel::Default, "Switch skipped: fullscreen space owner is no longer running");
        return;
    }
    const std::int32_t pid = *target.ownerPID;
    log(LogLevel::Default,
        "App-activation switch to fullscreen space of pid " + std::to_string(pid));
    suppressSwitchesUntil_ = now + kSwitchSuppression;
    platform_.workspace.activate(pid);
    later(kSettleDelay, [this] { observer_.refresh(); });
}

void SpaceSwitcher::switchDirectly(const SpaceInfo& target, TimePoint now) {
    if (!target.managedSpaceID) {
        log(LogLevel::Default, "Switch skipped: the window manager has no id for this space");
        return;
    }
    log(LogLevel::Default, "Direct switch to " + spaceLabel(target));
    suppressSwitchesUntil_ = now + kSwitchSuppression;
    api_.showSpace(*target.managedSpaceID);
    later(kSettleDelay, [this, target] { checkDirectLanding(target); });
}

void SpaceSwitcher::switchByAnchor(const std::string& persistenceID, AnchorWindow& anchor,
                                   TimePoint now) {
    log(LogLevel::Default, "Anchor switch to " + persistenceID);
    suppressSwitchesUntil_ = now + kSwitchSuppression;
    anchor.makeKeyAndOrderFront();
    platform_.workspace.activateOwnApplication();
    later(kSettleDelay, [this, persistenceID] { checkAnchorLanding(persistenceID); });
}

void SpaceSwitcher::switchByKeystrokes(const SpaceInfo& target) {
    if (!platform_.keyboard.isProcessTrusted()) {
        log(LogLevel::Default,
            "Click ignored: no anchor for this space yet (visit it once to seed) and no " +
                platform_.keyboard.permissionName() + " fallback");
        return;
    }
    log(LogLevel::Info,
        "Keystroke fallback: " + platform_.keyboard.permissionName() + "=true, switching");
    const SpaceInfo* current = SpaceInfo::firstCurrent(observer_.spaces());
    if (!current || current->displayIdentifier != target.displayIdentifier) {
        log(LogLevel::Info, "Switch skipped: target is on another display");
        return;
    }
    const std::int64_t hops =
        std::int64_t{target.missionControlIndex} - current->missionControlIndex;
    if (hops == 0) {
        return;
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
}

void SpaceSwitcher::checkDirectLanding(const SpaceInfo& target) {
    observer_.refresh();
    const std::vector<SpaceInfo>& spaces = observer_.spaces();
    const auto found = std::find_if(spaces.begin(), spaces.end(), [&](const SpaceInfo& s) {
        return s.displayIdentifier == target.displayIdentifier &&
               s.managedSpaceID == target.managedSpaceID;
    });
    const bool landed = found != spaces.end() && found->isActiveOnDisplay;
    log(LogLevel::Default, landed ? "Direct switch landed" : "Direct switch did NOT land");
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
