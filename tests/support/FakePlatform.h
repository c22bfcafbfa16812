// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "VirtualMainQueue.h"
#include "platform/Platform.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillbar::test {

// Builders for realistic window-server answers.
namespace WindowServerAnswers {
using nlohmann::json;
// A space dictionary: "ManagedSpaceID" and "id64", "type", and "uuid" when given.
inline json space(std::int64_t id, int type = 0, std::optional<std::string> uuid = std::nullopt) {
    json s = {{"ManagedSpaceID", id}, {"id64", id}, {"type", type}};
    if (uuid) {
        s["uuid"] = *uuid;
    }
    return s;
}
// A display dictionary with its spaces; "Current Space" is the space with that managed id.
inline json display(const std::string& identifier, const std::vector<json>& spaces,
                    std::int64_t currentManagedSpaceID) {
    const auto current = std::ranges::find_if(spaces, [&](const json& s) {
        return s.value("ManagedSpaceID", std::int64_t{0}) == currentManagedSpaceID;
    });
    return {{"Display Identifier", identifier},
            {"Current Space", current == spaces.end() ? json::object() : *current},
            {"Spaces", spaces}};
}
// A window dictionary with owner pid, layer, bounds and (when given) alpha.
inline json window(std::int32_t ownerPID, const Rect& bounds, int layer = 0,
                   std::optional<double> alpha = std::nullopt) {
    json w = {
        {"OwnerPID", ownerPID},
        {"Layer", layer},
        {"Bounds",
         {{"X", bounds.x}, {"Y", bounds.y}, {"Width", bounds.width}, {"Height", bounds.height}}}};
    if (alpha) {
        w["Alpha"] = *alpha;
    }
    return w;
}
} // namespace WindowServerAnswers

class FakeWindowServer : public WindowServer {
public:
    nlohmann::json managedDisplaySpaces = nlohmann::json::array();
    nlohmann::json windowList = nlohmann::json::array();
    // Which optional entry points spaceServerAPI() hands out, and what they answer.
    bool hasCopySpacesForWindows = true;
    bool hasActiveSpace = true;
    bool hasDisplayCurrentSpace = true;
    bool hasShowSpace = false;
    std::vector<std::int64_t> showSpaceCalls;
    // Called after a showSpace request is recorded (to play the window manager).
    std::function<void(std::int64_t)> onShowSpace;
    // Whether renameSpace is handed out; its requests, and what it answers (nullopt: asked).
    bool hasRenameSpace = false;
    std::vector<std::pair<std::int64_t, std::string>> renameSpaceCalls;
    std::function<std::optional<std::string>(std::int64_t, const std::string&)> onRenameSpace;
    std::int64_t activeSpaceAnswer = 0;
    std::map<std::string, std::int64_t> displayCurrentAnswers; // missing display: 0
    // What copySpacesForWindows answers per window; a working placement moves the window there.
    std::map<std::int64_t, nlohmann::json> windowSpaces;
    bool placementWorks = true;
    std::vector<std::pair<std::int64_t, std::int64_t>> addWindowsCalls; // (window, space)
    int copyManagedDisplaySpacesCalls = 0;
    // Whether keys name positions that come back (as on X11); uuid keys by default.
    bool keysRecur = false;
    // What keptSpacesRevision() says: 0, the answer is read afresh every time.
    std::uint64_t spacesRevision = 0;

    nlohmann::json copyManagedDisplaySpaces() override {
        ++copyManagedDisplaySpacesCalls;
        return managedDisplaySpaces;
    }
    void addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) override {
        addWindowsCalls.emplace_back(windowNumber, managedSpaceID);
        if (placementWorks) {
            windowSpaces[windowNumber] = nlohmann::json::array({managedSpaceID});
        }
    }
    nlohmann::json copyWindowList() override { return windowList; }
    SpaceServerAPI spaceServerAPI() override;
    bool spaceKeysRecur() const override { return keysRecur; }
    std::uint64_t keptSpacesRevision() const override { return spacesRevision; }
};

class FakeDisplays : public Displays {
public:
    std::optional<std::vector<DisplayID>> activeDisplays = std::vector<DisplayID>{};
    DisplayID mainDisplay = 0;
    std::map<DisplayID, Rect> bounds;
    std::map<DisplayID, std::string> uuids;
    std::vector<Screen> screenList;

    // Adds an active display and its screen of the same frame; the first one is the main one.
    void addDisplay(DisplayID id, const std::string& uuid, const Rect& frame, std::string name) {
        if (!activeDisplays || activeDisplays->empty()) {
            activeDisplays.emplace();
            mainDisplay = id;
        }
        activeDisplays->push_back(id);
        bounds[id] = frame;
        uuids[id] = uuid;
        screenList.push_back(Screen{id, frame, std::move(name)});
    }

    std::optional<std::vector<DisplayID>> activeDisplayList() override { return activeDisplays; }
    DisplayID mainDisplayID() override { return mainDisplay; }
    Rect displayBounds(DisplayID display) override { return bounds[display]; }
    std::optional<std::string> displayUUID(DisplayID display) override {
        return uuids.count(display) ? std::optional(uuids[display]) : std::nullopt;
    }
    std::vector<Screen> screens() override { return screenList; }
};

// What the fake workspace remembers of each anchor window it made.
struct FakeAnchorRecord {
    std::int64_t windowNumber = 0;
    Rect contentRect;
    bool closed = false;
    bool destroyed = false;
};

class FakeWorkspace : public Workspace {
public:
    std::optional<RunningApplication> frontmost;
    std::map<std::int32_t, RunningApplication> applications;
    std::vector<std::int32_t> activations;
    int ownActivations = 0;
    std::int32_t ownPID = 4242;
    std::optional<Screen> keyScreen;
    std::optional<Screen> mainScreen;
    bool anchorCreationFails = false;
    std::vector<std::shared_ptr<FakeAnchorRecord>> anchors; // window numbers from 1000 on
    // Called when an anchor is made key, with its window number (to play the window manager).
    std::function<void(std::int64_t)> onMakeKey;

    // Anchors not closed yet.
    std::vector<std::shared_ptr<FakeAnchorRecord>> openAnchors() const {
        std::vector<std::shared_ptr<FakeAnchorRecord>> open;
        std::ranges::copy_if(anchors, std::back_inserter(open), [](auto& a) { return !a->closed; });
        return open;
    }

    std::optional<RunningApplication> frontmostApplication() override { return frontmost; }
    std::optional<RunningApplication> runningApplication(std::int32_t pid) override {
        return applications.count(pid) ? std::optional(applications[pid]) : std::nullopt;
    }
    bool activate(std::int32_t pid) override {
        activations.push_back(pid);
        return applications.count(pid) > 0;
    }
    void activateOwnApplication() override { ++ownActivations; }
    std::int32_t ownProcessIdentifier() override { return ownPID; }
    std::optional<Screen> keyWindowScreen() override { return keyScreen; }
    std::optional<Screen> mainWindowScreen() override { return mainScreen; }
    std::unique_ptr<AnchorWindow> createAnchorWindow(const Rect& contentRect) override;
};

class FakeKeyboard : public Keyboard {
public:
    // One post (posted set) or pause, in order.
    struct Step {
        std::optional<KeyEvent> posted;
        std::chrono::microseconds pause{0};
    };

    bool trusted = false;
    // (key code, key down) of the events that cannot be made.
    std::set<std::pair<std::uint16_t, bool>> failingEvents;
    std::vector<Step> steps;

    bool isProcessTrusted() override { return trusted; }
    std::string permissionName() const override { return "Accessibility"; }
    std::optional<KeyEvent> createKeyEvent(std::uint16_t code, bool down) override {
        return failingEvents.count({code, down}) ? std::nullopt
                                                 : std::optional(KeyEvent{code, down, 0});
    }
    void post(const KeyEvent& event) override { steps.push_back({event, {}}); }
    void pause(std::chrono::microseconds d) override { steps.push_back({std::nullopt, d}); }
};

class FakeNotificationCenter : public NotificationCenter {
public:
    Token addObserver(const std::string& name, Handler handler) override {
        observers_.emplace(next_, std::make_pair(name, std::move(handler)));
        return next_++;
    }
    void removeObserver(Token token) override { observers_.erase(token); }

    // Delivers a notification to every observer of the name, as the main queue would.
    void postNotification(const std::string& name, const std::optional<std::string>& object = {});
    std::size_t observerCount() const { return observers_.size(); }

private:
    std::map<Token, std::pair<std::string, Handler>> observers_;
    Token next_ = 1;
};

// Runs tasks only when the test says so, on the test's thread.
class FakeBackgroundQueue : public BackgroundQueue {
public:
    void run(std::function<void()> task) override { tasks_.push_back(std::move(task)); }
    // Runs every queued task, and those they queue.
    void runAll() {
        while (!tasks_.empty()) {
            for (auto& task : std::exchange(tasks_, {})) {
                task();
            }
        }
    }
    std::size_t pendingCount() const { return tasks_.size(); }

private:
    std::vector<std::function<void()>> tasks_;
};

class FakeLog : public LogSink {
public:
    struct Line {
        LogLevel level;
        std::string message;
        bool operator==(const Line&) const = default;
    };
    std::vector<Line> lines;

    void log(LogLevel level, const std::string& text) override { lines.push_back({level, text}); }
    // How many lines read exactly message (at any level).
    std::size_t count(const std::string& message) const {
        return static_cast<std::size_t>(std::ranges::count(lines, message, &Line::message));
    }
    // The messages in order, Info lines marked "(info) ".
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const Line& line : lines) {
            out.push_back((line.level == LogLevel::Info ? "(info) " : "") + line.message);
        }
        return out;
    }
};

// The whole fake system, wired into one Platform.
class FakePlatform {
public:
    FakeWindowServer windowServer;
    FakeDisplays displays;
    FakeWorkspace workspace;
    FakeKeyboard keyboard;
    FakeNotificationCenter workspaceCenter;
    FakeNotificationCenter defaultCenter;
    FakeNotificationCenter distributedCenter;
    VirtualMainQueue mainQueue;
    FakeBackgroundQueue backgroundQueue;
    FakeLog log;
    AppInfo appInfo{"1.2.3", "/usr/bin/quillbar", "org.quillbar.Quillbar"};
    Platform platform{windowServer,  displays,          workspace, keyboard,        workspaceCenter,
                      defaultCenter, distributedCenter, mainQueue, backgroundQueue, log,
                      appInfo};

    // Desktops 1..count (uuids "uuid-N") on one 1920 x 1080 display, "Built-in Display"; the
    // 1-based current one is what the active-space and display entry points answer.
    void setDesktops(int count, int current, const std::string& displayUUID = "MAIN-UUID");
};

} // namespace quillbar::test
