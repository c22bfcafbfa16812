// SPDX-License-Identifier: GPL-3.0-or-later
#include "observer/SpaceObserver.h"

#include "observer/ValueCoercion.h"

#include <algorithm>
#include <set>
#include <string_view>

namespace quillbar {

namespace {

constexpr const char* kUnknownTitle = "Desktop ?";
constexpr const char* kUnnamedDisplay = "Display";
constexpr Milliseconds kRefreshInterval{5000};
constexpr Milliseconds kRefreshTolerance{2000};
constexpr Milliseconds kSettleShortDelay{1000};
constexpr Milliseconds kSettleLongDelay{3000};
// Changes closer together than a display's frame are answered together: a title shown for less
// than a frame is never seen, and a burst of a thousand changes costs a few dozen refreshes.
constexpr Milliseconds kChangeSpacing{16};

// Whether a goes before b on its display: desktops first, then by desktop number, then by position.
bool placedBefore(const SpaceInfo& a, const SpaceInfo& b) {
    const bool aIsDesktop = a.type == SpaceInfo::ordinaryDesktopType;
    const bool bIsDesktop = b.type == SpaceInfo::ordinaryDesktopType;
    if (aIsDesktop != bIsDesktop) {
        return aIsDesktop;
    }
    if (a.desktopIndex && b.desktopIndex && *a.desktopIndex != *b.desktopIndex) {
        return *a.desktopIndex < *b.desktopIndex;
    }
    return a.missionControlIndex < b.missionControlIndex;
}

// Whether the two lists hold the same spaces and differ at most in which are shown and current.
bool differOnlyInWhatIsShown(const std::vector<SpaceInfo>& a, const std::vector<SpaceInfo>& b) {
    // Only the records whose flags differ (the old and the new current space) are copied.
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(), [](const SpaceInfo& x, const SpaceInfo& y) {
            if (x.isCurrent == y.isCurrent && x.isActiveOnDisplay == y.isActiveOnDisplay) {
                return x == y;
            }
            SpaceInfo shownAsX = y;
            shownAsX.isCurrent = x.isCurrent;
            shownAsX.isActiveOnDisplay = x.isActiveOnDisplay;
            return x == shownAsX;
        });
}

} // namespace

SpaceObserver::SpaceObserver(SpaceNameStore& nameStore, Platform& platform)
    : nameStore_(nameStore)
    , platform_(platform)
    , api_(platform.windowServer.spaceServerAPI())
    , displays_(platform)
    , detector_(platform, displays_, api_) {
    // A rename reaches the title on the next turn of the main queue, never inside the rename
    // itself, and a burst of edits (a name and an emoji) changes the title once.
    nameStoreSubscription_ = nameStore_.subscribe([this](const NameTable&) {
        platform_.mainQueue.post(whileAlive([this] { updateMenuBarTitle(); }));
    });
    // The first delivery: the table as it is now.
    platform_.mainQueue.post(whileAlive([this] { updateMenuBarTitle(); }));
}

SpaceObserver::~SpaceObserver() {
    lifetime_.reset();
    if (refreshTimer_) {
        refreshTimer_->invalidate();
    }
    for (const auto& [center, token] : notificationObservers_) {
        center->removeObserver(token);
    }
}

void SpaceObserver::start() {
    const AppInfo& app = platform_.appInfo;
    const std::string& version = app.version.empty() ? std::string("?") : app.version;
    std::string line = "Quillbar v" + version + " starting from " + app.bundlePath;
    if (!api_.showSpace) {
        // Only a platform that switches by keystrokes has a permission worth naming.
        line += "; " + platform_.keyboard.permissionName() + "=" +
                (platform_.keyboard.isProcessTrusted() ? "true" : "false");
    }
    platform_.log.log(LogLevel::Default, line);
    if (!notificationObservers_.empty()) {
        refresh();
        return;
    }

    observe(platform_.workspaceCenter, NotificationCenter::kActiveSpaceDidChange,
            [this](const auto&) {
                lastSpaceChangeAt_ = platform_.mainQueue.now();
                refreshSoon();
            });
    for (const char* name : {NotificationCenter::kDidWake, NotificationCenter::kScreensDidWake,
                             NotificationCenter::kSessionDidBecomeActive}) {
        observe(platform_.workspaceCenter, name,
                [this](const auto&) { refreshAfterSystemStateChange(); });
    }
    observe(platform_.defaultCenter, NotificationCenter::kScreenParametersDidChange,
            [this](const auto&) { refreshAfterSystemStateChange(); });
    observe(platform_.distributedCenter, NotificationCenter::kDebugSwitchTo,
            [this](const auto& object) { handleDebugSwitchRequest(object); });
    observe(platform_.distributedCenter, NotificationCenter::kDebugSettings,
            [this](const auto&) { handleDebugSettingsRequest(); });

    refreshTimer_ = platform_.mainQueue.repeat(kRefreshInterval, kRefreshTolerance,
                                               whileAlive([this] { refresh(); }));
    refresh();
}

void SpaceObserver::refresh() {
    std::vector<SpaceInfo> detected = detectSpaces();
    if (const std::shared_ptr<DetectedRewrite> rewrite = detectedRewrite_; *rewrite) {
        (*rewrite)(detected);
    }
    // Switching brings its anchors in line before anyone hears of the new list.
    if (const std::shared_ptr<DetectionHandler> handler = detectionHandler_; *handler) {
        (*handler)(detected, lastSpaceChangeAt_);
    }

    const bool changed = detected != spaces_.value();
    const bool sameSpaces = !changed || differOnlyInWhatIsShown(detected, spaces_.value());
    if (changed) {
        spaces_.set(std::move(detected));
    }
    // The published list is what was detected: read there rather than copied.
    const std::vector<SpaceInfo>& now = changed ? spaces_.value() : detected;

    pruneNames(now);

    const SpaceInfo* current = SpaceInfo::firstCurrent(now);
    currentSpaceID_.setIfChanged(current ? std::optional<std::string>(current->id) : std::nullopt);

    updateMenuBarTitle();
    // Logged once the new title is out: writing to the journal is not what a bar waits for.
    if (changed) {
        logSpaces(now, !sameSpaces);
    }
}

void SpaceObserver::pruneNames(const std::vector<SpaceInfo>& detected) {
    // A key that can come back (a desktop's position) names that desktop again when it returns,
    // so its name must survive the desktop's absence; only identities that never recur go.
    if (platform_.windowServer.spaceKeysRecur()) {
        return;
    }
    // Most refreshes find every named space again; then pruning would remove nothing, and the
    // store need not be asked (it copies and normalises its whole table to find that out).
    std::vector<std::string_view> detectedKeys;
    detectedKeys.reserve(detected.size());
    for (const SpaceInfo& space : detected) {
        if (space.persistenceID) {
            detectedKeys.push_back(*space.persistenceID);
        }
    }
    std::sort(detectedKeys.begin(), detectedKeys.end());
    const NameTable& names = nameStore_.assignments();
    if (std::all_of(names.begin(), names.end(), [&](const auto& entry) {
            return std::binary_search(detectedKeys.begin(), detectedKeys.end(), entry.first);
        })) {
        return;
    }
    nameStore_.prune(std::set<std::string>(detectedKeys.begin(), detectedKeys.end()));
}

void SpaceObserver::refreshSoon() {
    if (refreshQueued_) {
        return;
    }
    refreshQueued_ = true;
    auto run = whileAlive([this] {
        refreshQueued_ = false;
        settleQueued_ = false;
        lastQueuedRefreshAt_ = platform_.mainQueue.now();
        refresh();
    });
    // The wall clock may step back; a step never holds a change for longer than one frame.
    const auto since = lastQueuedRefreshAt_ ? platform_.mainQueue.now() - *lastQueuedRefreshAt_
                                            : WallClock::duration(kChangeSpacing);
    if (since >= kChangeSpacing || since < WallClock::duration::zero()) {
        platform_.mainQueue.post(std::move(run));
    } else {
        platform_.mainQueue.after(std::chrono::ceil<Milliseconds>(kChangeSpacing - since),
                                  std::move(run));
    }
}

void SpaceObserver::refreshAfterSystemStateChange() {
    if (refreshQueued_ && settleQueued_) {
        return; // this burst already has its three refreshes
    }
    refreshSoon();
    settleQueued_ = true;
    platform_.mainQueue.after(kSettleShortDelay, whileAlive([this] { refresh(); }));
    platform_.mainQueue.after(kSettleLongDelay, whileAlive([this] { refresh(); }));
}

Subscription SpaceObserver::subscribe(std::function<void()> handler) {
    auto shared = std::make_shared<const std::function<void()>>(std::move(handler));
    auto parts = std::make_shared<std::vector<Subscription>>();
    parts->push_back(spaces_.subscribe([shared](const auto&) { (*shared)(); }));
    parts->push_back(currentSpaceID_.subscribe([shared](const auto&) { (*shared)(); }));
    parts->push_back(menuBarTitle_.subscribe([shared](const auto&) { (*shared)(); }));
    return Subscription([parts] { parts->clear(); });
}

std::string SpaceObserver::title(const SpaceInfo& space, bool includeEmoji) const {
    if (!space.persistenceID) {
        return shortener_.shortened(space.defaultName());
    }
    const SpaceAssignment assignment = nameStore_.assignment(*space.persistenceID);
    std::string text =
        shortener_.shortened(assignment.name.empty() ? space.defaultName() : assignment.name);
    if (includeEmoji && !assignment.emoji.empty()) {
        return assignment.emoji + " " + text;
    }
    return text;
}

void SpaceObserver::updateMenuBarTitle() {
    const SpaceInfo* current = SpaceInfo::firstCurrent(spaces_.value());
    menuBarTitle_.setIfChanged(current ? title(*current, true) : std::string(kUnknownTitle));
}

std::vector<SpaceInfo> SpaceObserver::menuSpaces() const {
    std::vector<SpaceInfo> result;
    std::copy_if(spaces_.value().begin(), spaces_.value().end(), std::back_inserter(result),
                 [](const SpaceInfo& s) {
                     return s.type == SpaceInfo::ordinaryDesktopType ||
                            s.type == SpaceInfo::fullscreenType;
                 });
    return result;
}

std::vector<SpaceInfo> SpaceObserver::menuUserSpaces() const {
    std::vector<SpaceInfo> result;
    std::copy_if(spaces_.value().begin(), spaces_.value().end(), std::back_inserter(result),
                 [](const SpaceInfo& s) { return s.type == SpaceInfo::ordinaryDesktopType; });
    return result;
}

std::vector<SpaceObserver::DisplayGroup>
SpaceObserver::grouped(const std::vector<SpaceInfo>& spaces) const {
    std::vector<DisplayGroup> groups;
    for (const SpaceInfo& space : spaces) {
        auto group = std::find_if(groups.begin(), groups.end(), [&](const DisplayGroup& g) {
            return g.id == space.displayIdentifier;
        });
        if (group == groups.end()) {
            groups.push_back(DisplayGroup{space.displayIdentifier, {}, {}});
            group = std::prev(groups.end());
        }
        group->spaces.push_back(space);
    }
    for (DisplayGroup& group : groups) {
        group.name = displayName(group.id).value_or(kUnnamedDisplay);
        group.spaces = ordered(std::move(group.spaces));
    }
    return groups;
}

std::vector<SpaceInfo> SpaceObserver::ordered(std::vector<SpaceInfo> spaces) {
    // A stable insertion sort: its result is defined for any comparison, including hand-made
    // records where desktop numbers and positions disagree, which std::stable_sort does not
    // promise.
    for (std::size_t i = 1; i < spaces.size(); ++i) {
        std::size_t j = i;
        while (j > 0 && placedBefore(spaces[i], spaces[j - 1])) {
            --j;
        }
        if (j != i) {
            std::rotate(spaces.begin() + static_cast<std::ptrdiff_t>(j),
                        spaces.begin() + static_cast<std::ptrdiff_t>(i),
                        spaces.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        }
    }
    return spaces;
}

std::optional<std::string> SpaceObserver::displayName(const std::string& displayIdentifier) const {
    return displays_.displayName(displayIdentifier);
}

namespace {

// Puts handler into slot and returns a handle that empties the slot again.
template <typename Handler>
Subscription install(const std::shared_ptr<Handler>& slot, Handler handler) {
    *slot = std::move(handler);
    std::weak_ptr<Handler> weakSlot = slot;
    return Subscription([weakSlot] {
        if (const std::shared_ptr<Handler> held = weakSlot.lock()) {
            *held = nullptr;
        }
    });
}

} // namespace

Subscription SpaceObserver::onDetection(DetectionHandler handler) {
    return install(detectionHandler_, std::move(handler));
}

Subscription SpaceObserver::onDetected(DetectedRewrite rewrite) {
    return install(detectedRewrite_, std::move(rewrite));
}

Subscription SpaceObserver::onSwitchRequest(std::function<void(const SpaceInfo&)> handler) {
    return install(switchRequestHandler_, std::move(handler));
}

void SpaceObserver::setSettingsPresenter(std::function<void()> presenter) {
    settingsPresenter_ = std::move(presenter);
}

void SpaceObserver::logSpaces(const std::vector<SpaceInfo>& spaces, bool eachSpace) const {
    const SpaceInfo* current = SpaceInfo::firstCurrent(spaces);
    const std::string focusedID =
        current && current->persistenceID ? *current->persistenceID : std::string("unknown");
    platform_.log.log(LogLevel::Info, "Detected " + std::to_string(spaces.size()) +
                                          " spaces; focused current ID: " + focusedID);
    if (!eachSpace) {
        return;
    }
    for (const SpaceInfo& space : spaces) {
        platform_.log.log(LogLevel::Info,
                          std::string(space.isCurrent ? "current" : "space") +
                              " display=" + space.displayIdentifier +
                              " index=" + std::to_string(space.missionControlIndex) +
                              " desktop=" + std::to_string(space.desktopIndex.value_or(-1)) +
                              " type=" + std::to_string(space.type) +
                              " uuid=" + space.persistenceID.value_or("unknown"));
    }
}

std::optional<SpaceInfo> SpaceObserver::desktopNumbered(std::string_view text) const {
    const auto number = ValueCoercion::parseInteger(text);
    if (!number) {
        return std::nullopt;
    }
    const std::vector<SpaceInfo> desktops = menuUserSpaces();
    const auto target = std::find_if(desktops.begin(), desktops.end(), [&](const SpaceInfo& s) {
        return s.desktopIndex && *s.desktopIndex == *number;
    });
    return target == desktops.end() ? std::nullopt : std::optional<SpaceInfo>(*target);
}

void SpaceObserver::handleDebugSwitchRequest(const std::optional<std::string>& object) {
    const std::optional<SpaceInfo> target = object ? desktopNumbered(*object) : std::nullopt;
    if (!target) {
        return;
    }
    platform_.log.log(LogLevel::Info,
                      "Debug switch request to desktop " + std::to_string(*target->desktopIndex));
    if (const auto handler = switchRequestHandler_; *handler) {
        (*handler)(*target);
    }
}

void SpaceObserver::handleDebugSettingsRequest() {
    if (settingsPresenter_) {
        settingsPresenter_();
    }
}

void SpaceObserver::observe(NotificationCenter& center, const char* name,
                            NotificationAction action) {
    std::weak_ptr<int> alive = lifetime_;
    const auto token =
        center.addObserver(name, [alive, action = std::move(action)](const auto& object) {
            if (alive.lock()) {
                action(object);
            }
        });
    notificationObservers_.emplace_back(&center, token);
}

std::function<void()> SpaceObserver::whileAlive(std::function<void()> action) const {
    return [alive = std::weak_ptr<int>(lifetime_), action = std::move(action)] {
        if (alive.lock()) {
            action();
        }
    };
}

} // namespace quillbar
