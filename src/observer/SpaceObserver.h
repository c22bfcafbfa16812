// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Published.h"
#include "model/SpaceInfo.h"
#include "model/SpaceNameStore.h"
#include "model/Subscription.h"
#include "observer/DisplayDirectory.h"
#include "observer/SpaceDetector.h"
#include "observer/TextShortener.h"
#include "platform/Platform.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace quillbar {

// Follows the window manager's spaces and the current one, and publishes the list, the current
// space and the menu-bar title. Lives for the whole process. Switching sits beside it: it hears
// every detection and the debug switch requests through the two hooks below.
class SpaceObserver {
public:
    // The spaces of one display, with the display's identifier and name.
    struct DisplayGroup {
        std::string id;
        std::string name;
        std::vector<SpaceInfo> spaces;

        bool operator==(const DisplayGroup&) const = default;
    };

    SpaceObserver(SpaceNameStore& nameStore, Platform& platform);
    ~SpaceObserver();
    SpaceObserver(const SpaceObserver&) = delete;
    SpaceObserver& operator=(const SpaceObserver&) = delete;

    // Logs the start line, registers for system events and the 5 s timer (once), and refreshes.
    void start();
    // Detects spaces, tells the detection hook and publishes whatever changed.
    void refresh();
    // One detection pass over every display.
    std::vector<SpaceInfo> detectSpaces() const { return detector_.detectSpaces(); }
    // The window server's managed displays, or an empty array when the answer is unusable.
    nlohmann::json copyManagedDisplaySpaces() const { return detector_.copyManagedDisplaySpaces(); }

    // Published state.
    const std::vector<SpaceInfo>& spaces() const { return spaces_.value(); }
    const std::optional<std::string>& currentSpaceID() const { return currentSpaceID_.value(); }
    const std::string& menuBarTitle() const { return menuBarTitle_.value(); }
    // Calls handler after every assignment of any published member.
    Subscription subscribe(std::function<void()> handler);
    // Announces every new menu-bar title once it is in place.
    Subscription subscribeMenuBarTitle(Published<std::string>::Handler handler) {
        return menuBarTitle_.subscribe(std::move(handler));
    }

    // Text of a space: its name (or default name) cut to 20 characters, the emoji before it if
    // asked.
    std::string title(const SpaceInfo& space, bool includeEmoji) const;
    // Ordinary desktops and full-screen spaces, in detection order.
    std::vector<SpaceInfo> menuSpaces() const;
    // Ordinary desktops only, in detection order.
    std::vector<SpaceInfo> menuUserSpaces() const;
    // The ordinary desktop with the number a debug switch request names, or nullopt.
    std::optional<SpaceInfo> desktopNumbered(std::string_view number) const;
    // Groups spaces by display in order of first appearance, each group sorted for display.
    std::vector<DisplayGroup> grouped(const std::vector<SpaceInfo>& spaces) const;
    // Desktops first, then by desktop number, then by position; stable.
    static std::vector<SpaceInfo> ordered(std::vector<SpaceInfo> spaces);
    // The display's name, or nullopt.
    std::optional<std::string> displayName(const std::string& displayIdentifier) const;

    // Hears every detection, with the time of the last space change, before it is published.
    using DetectionHandler =
        std::function<void(const std::vector<SpaceInfo>& detected, TimePoint lastSpaceChangeAt)>;
    // Installs the one detection handler until the returned handle goes.
    [[nodiscard]] Subscription onDetection(DetectionHandler handler);
    // Rewrites what was detected before anyone hears of it (so that names Quillbar wrote into the
    // desktop read as the desktop's own names from before).
    using DetectedRewrite = std::function<void(std::vector<SpaceInfo>& detected)>;
    // Installs the one rewrite until the returned handle goes.
    [[nodiscard]] Subscription onDetected(DetectedRewrite rewrite);
    // Installs the one handler of debug switch requests (given the desktop asked for) until the
    // returned handle goes.
    [[nodiscard]] Subscription onSwitchRequest(std::function<void(const SpaceInfo&)> handler);

    // What the debug settings request and the menu call to show the rename window.
    void setSettingsPresenter(std::function<void()> presenter);

    SpaceNameStore& nameStore() const { return nameStore_; }
    Platform& platform() const { return platform_; }
    const DisplayDirectory& displays() const { return displays_; }
    const SpaceServerAPI& api() const { return api_; }

private:
    using NotificationAction = std::function<void(const std::optional<std::string>& object)>;

    // Refreshes on the next turn of the main queue, or a frame after the last such refresh:
    // notifications that arrive together, or in a burst, are answered by one refresh.
    void refreshSoon();
    // Refreshes soon, 1 s later and 3 s later: the system settles in steps after wake or a display
    // change. A burst of such changes schedules the three once.
    void refreshAfterSystemStateChange();
    // Forgets the names of spaces that were not detected (never all of them on an empty list).
    void pruneNames(const std::vector<SpaceInfo>& detected);
    // Assigns menuBarTitle from the current space, only when it changes.
    void updateMenuBarTitle();
    // Writes a newly published list to the log: one summary line, then a line per space if
    // eachSpace (not when only the shown or current space moved: a desktop change is not a change
    // of the list).
    void logSpaces(const std::vector<SpaceInfo>& spaces, bool eachSpace) const;
    void handleDebugSwitchRequest(const std::optional<std::string>& object);
    void handleDebugSettingsRequest();
    // Registers action on the center and remembers the registration for teardown.
    void observe(NotificationCenter& center, const char* name, NotificationAction action);
    // Wraps action so that it does nothing once this observer is gone.
    std::function<void()> whileAlive(std::function<void()> action) const;

    SpaceNameStore& nameStore_;
    Platform& platform_;
    // Resolved once; the detector (and switching, through api()) read it for the observer's life.
    SpaceServerAPI api_;
    DisplayDirectory displays_;
    SpaceDetector detector_;
    TextShortener shortener_;
    Published<std::vector<SpaceInfo>> spaces_;
    Published<std::optional<std::string>> currentSpaceID_;
    Published<std::string> menuBarTitle_{"Desktop ?"};
    // Shared with the handles onDetection and onSwitchRequest return, so those may outlive this.
    std::shared_ptr<DetectionHandler> detectionHandler_ = std::make_shared<DetectionHandler>();
    std::shared_ptr<DetectedRewrite> detectedRewrite_ = std::make_shared<DetectedRewrite>();
    std::shared_ptr<std::function<void(const SpaceInfo&)>> switchRequestHandler_ =
        std::make_shared<std::function<void(const SpaceInfo&)>>();
    TimePoint lastSpaceChangeAt_{};                // the distant past (epoch)
    bool refreshQueued_ = false;                   // a refreshSoon() has not run yet
    std::optional<TimePoint> lastQueuedRefreshAt_; // when a refreshSoon() last ran
    bool settleQueued_ = false;                    // ...and it answers a system state change
    std::function<void()> settingsPresenter_;
    std::vector<std::pair<NotificationCenter*, NotificationCenter::Token>> notificationObservers_;
    std::unique_ptr<Timer> refreshTimer_;
    Subscription nameStoreSubscription_;
    // Deferred work holds this weakly and does nothing once it has expired.
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

} // namespace quillbar
