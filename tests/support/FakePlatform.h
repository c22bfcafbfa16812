#pragma once

#include "VirtualMainQueue.h"
#include "platform/Platform.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace quillbar::test {

// Builders for realistic window-server answers.
namespace WindowServerAnswers {
// A space dictionary: "ManagedSpaceID" and "id64", "type", and "uuid" when given.
nlohmann::json space(std::int64_t managedSpaceID, int type = 0,
                     std::optional<std::string> uuid = std::nullopt);
// A display dictionary with its spaces; "Current Space" is the space with that managed id.
nlohmann::json display(const std::string& identifier, const std::vector<nlohmann::json>& spaces,
                       std::int64_t currentManagedSpaceID);
// A window dictionary with owner pid, layer, bounds and (when given) alpha.
nlohmann::json window(std::int32_t ownerPID, const Rect& bounds, int layer = 0,
                      std::optional<double> alpha = std::nullopt);
} // namespace WindowServerAnswers

class FakeWindowServer : public WindowServer {
public:
    nlohmann::json managedDisplaySpaces = nlohmann::json::array();
    nlohmann::json windowList = nlohmann::json::array();

    // Which optional entry points exist; read when spaceServerAPI() is called.
    bool hasCopySpacesForWindows = true;
    bool hasActiveSpace = true;
    bool hasDisplayCurrentSpace = true;
    std::int64_t activeSpaceAnswer = 0;
    std::map<std::string, std::int64_t> displayCurrentAnswers; // missing display: 0

    // Where each window is, as copySpacesForWindows reports it; addWindowsToSpaces moves a window there
    // when placementWorks.
    std::map<std::int64_t, nlohmann::json> windowSpaces;
    bool placementWorks = true;
    std::vector<std::pair<std::int64_t, std::int64_t>> addWindowsCalls; // (window, space)
    int copyManagedDisplaySpacesCalls = 0;
    int copyWindowListCalls = 0;

    nlohmann::json copyManagedDisplaySpaces() override;
    void addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) override;
    nlohmann::json copyWindowList() override;
    SpaceServerAPI spaceServerAPI() override;
};

class FakeDisplays : public Displays {
public:
    std::optional<std::vector<DisplayID>> activeDisplays = std::vector<DisplayID>{};
    DisplayID mainDisplay = 0;
    std::map<DisplayID, Rect> bounds;
    std::map<DisplayID, std::string> uuids;
    std::vector<Screen> screenList;

    // Adds an active display with a screen of the same frame and name; the first one is the main one.
    void addDisplay(DisplayID id, const std::string& uuid, const Rect& frame, const std::string& name);

    std::optional<std::vector<DisplayID>> activeDisplayList() override { return activeDisplays; }
    DisplayID mainDisplayID() override { return mainDisplay; }
    Rect displayBounds(DisplayID display) override;
    std::optional<std::string> displayUUID(DisplayID display) override;
    std::vector<Screen> screens() override { return screenList; }
};

// What the fake workspace remembers of each anchor window it made.
struct FakeAnchorRecord {
    std::int64_t windowNumber = 0;
    Rect contentRect;
    bool closed = false;
    bool destroyed = false;
    int madeKey = 0;
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
    std::vector<std::shared_ptr<FakeAnchorRecord>> anchors;
    std::int64_t nextWindowNumber = 1000;
    // Called when an anchor is made key, with its window number (to play the window manager).
    std::function<void(std::int64_t)> onMakeKey;

    // Anchors not closed yet.
    std::vector<std::shared_ptr<FakeAnchorRecord>> openAnchors() const;

    std::optional<RunningApplication> frontmostApplication() override { return frontmost; }
    std::optional<RunningApplication> runningApplication(std::int32_t pid) override;
    bool activate(std::int32_t pid) override;
    void activateOwnApplication() override { ++ownActivations; }
    std::int32_t ownProcessIdentifier() override { return ownPID; }
    std::optional<Screen> keyWindowScreen() override { return keyScreen; }
    std::optional<Screen> mainWindowScreen() override { return mainScreen; }
    std::unique_ptr<AnchorWindow> createAnchorWindow(const Rect& contentRect) override;
};

class FakeKeyboard : public Keyboard {
public:
    // One step of what was done with the keyboard, in order.
    struct Step {
        std::optional<KeyEvent> posted;                  // set for a post
        std::chrono::microseconds pause{0};              // set for a pause
        bool operator==(const Step&) const = default;
    };

    bool trusted = false;
    std::set<std::pair<std::uint16_t, bool>> failingEvents; // (key code, key down) that cannot be made
    std::vector<Step> steps;

    bool isProcessTrusted() override { return trusted; }
    std::optional<KeyEvent> createKeyEvent(std::uint16_t keyCode, bool keyDown) override;
    void post(const KeyEvent& event) override { steps.push_back({event, {}}); }
    void pause(std::chrono::microseconds duration) override { steps.push_back({std::nullopt, duration}); }
};

class FakeNotificationCenter : public NotificationCenter {
public:
    Token addObserver(const std::string& name, Handler handler) override;
    void removeObserver(Token token) override { observers_.erase(token); }

    // Delivers a notification to every observer of the name, as the main queue would.
    void postNotification(const std::string& name, const std::optional<std::string>& object = {});
    // How many registrations the name has.
    std::size_t observerCount(const std::string& name) const;
    std::size_t observerCount() const { return observers_.size(); }

private:
    std::map<Token, std::pair<std::string, Handler>> observers_;
    Token next_ = 1;
};

// Runs tasks only when the test says so, on the test's thread.
class FakeBackgroundQueue : public BackgroundQueue {
public:
    void run(std::function<void()> task) override { tasks_.push_back(std::move(task)); }
    // Runs every queued task; returns how many ran.
    std::size_t runAll();
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

    void log(LogLevel level, const std::string& message) override { lines.push_back({level, message}); }
    // Whether some line reads exactly message (at any level).
    bool contains(const std::string& message) const;
    // How many lines read exactly message.
    std::size_t count(const std::string& message) const;
    // Only the messages, in order.
    std::vector<std::string> messages() const;
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
    Platform platform{windowServer, displays, workspace, keyboard, workspaceCenter,
                      defaultCenter, distributedCenter, mainQueue, backgroundQueue, log,
                      AppInfo{"1.2.3", "/usr/bin/quillbar", "org.quillbar.Quillbar"}};

    // One display "MAIN-UUID" (id 1, 1920 x 1080, "Built-in Display") with count desktops, managed ids
    // 1..count with uuids "uuid-1".., current one given (1-based); the window server answers the
    // active space and the display's current space accordingly.
    void setDesktops(int count, int current, const std::string& displayUUID = "MAIN-UUID");
};

} // namespace quillbar::test
