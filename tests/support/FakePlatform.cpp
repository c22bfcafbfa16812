#include "FakePlatform.h"

#include <algorithm>

namespace quillbar::test {

using nlohmann::json;

namespace WindowServerAnswers {

json space(std::int64_t managedSpaceID, int type, std::optional<std::string> uuid) {
    json s = {{"ManagedSpaceID", managedSpaceID}, {"id64", managedSpaceID}, {"type", type}};
    if (uuid) {
        s["uuid"] = *uuid;
    }
    return s;
}

json display(const std::string& identifier, const std::vector<json>& spaces,
             std::int64_t currentManagedSpaceID) {
    json current = json::object();
    for (const json& s : spaces) {
        if (s.value("ManagedSpaceID", std::int64_t{0}) == currentManagedSpaceID) {
            current = s;
        }
    }
    return {{"Display Identifier", identifier}, {"Current Space", current}, {"Spaces", spaces}};
}

json window(std::int32_t ownerPID, const Rect& bounds, int layer, std::optional<double> alpha) {
    json w = {{"OwnerPID", ownerPID},
              {"Layer", layer},
              {"Bounds",
               {{"X", bounds.x}, {"Y", bounds.y}, {"Width", bounds.width}, {"Height", bounds.height}}}};
    if (alpha) {
        w["Alpha"] = *alpha;
    }
    return w;
}

} // namespace WindowServerAnswers

json FakeWindowServer::copyManagedDisplaySpaces() {
    ++copyManagedDisplaySpacesCalls;
    return managedDisplaySpaces;
}

void FakeWindowServer::addWindowsToSpaces(std::int64_t windowNumber, std::int64_t managedSpaceID) {
    addWindowsCalls.emplace_back(windowNumber, managedSpaceID);
    if (placementWorks) {
        windowSpaces[windowNumber] = json::array({managedSpaceID});
    }
}

json FakeWindowServer::copyWindowList() {
    ++copyWindowListCalls;
    return windowList;
}

SpaceServerAPI FakeWindowServer::spaceServerAPI() {
    SpaceServerAPI api;
    if (hasCopySpacesForWindows) {
        api.copySpacesForWindows = [this](std::int64_t window) -> json {
            auto it = windowSpaces.find(window);
            return it == windowSpaces.end() ? json() : it->second;
        };
    }
    if (hasActiveSpace) {
        api.activeSpace = [this] { return activeSpaceAnswer; };
    }
    if (hasDisplayCurrentSpace) {
        api.displayCurrentSpace = [this](const std::string& display) {
            auto it = displayCurrentAnswers.find(display);
            return it == displayCurrentAnswers.end() ? std::int64_t{0} : it->second;
        };
    }
    return api;
}

void FakeDisplays::addDisplay(DisplayID id, const std::string& uuid, const Rect& frame,
                              const std::string& name) {
    if (!activeDisplays) {
        activeDisplays.emplace();
    }
    if (activeDisplays->empty()) {
        mainDisplay = id;
    }
    activeDisplays->push_back(id);
    bounds[id] = frame;
    uuids[id] = uuid;
    screenList.push_back(Screen{id, frame, name});
}

Rect FakeDisplays::displayBounds(DisplayID display) {
    auto it = bounds.find(display);
    return it == bounds.end() ? Rect{} : it->second;
}

std::optional<std::string> FakeDisplays::displayUUID(DisplayID display) {
    auto it = uuids.find(display);
    if (it == uuids.end()) {
        return std::nullopt;
    }
    return it->second;
}

namespace {

class FakeAnchorWindow : public AnchorWindow {
public:
    FakeAnchorWindow(std::shared_ptr<FakeAnchorRecord> record, FakeWorkspace& workspace)
        : record_(std::move(record)), workspace_(workspace) {}
    ~FakeAnchorWindow() override { record_->destroyed = true; }

    std::int64_t windowNumber() const override { return record_->windowNumber; }
    void close() override { record_->closed = true; }
    void makeKeyAndOrderFront() override {
        ++record_->madeKey;
        if (workspace_.onMakeKey) {
            workspace_.onMakeKey(record_->windowNumber);
        }
    }

private:
    std::shared_ptr<FakeAnchorRecord> record_;
    FakeWorkspace& workspace_;
};

} // namespace

std::vector<std::shared_ptr<FakeAnchorRecord>> FakeWorkspace::openAnchors() const {
    std::vector<std::shared_ptr<FakeAnchorRecord>> open;
    std::copy_if(anchors.begin(), anchors.end(), std::back_inserter(open),
                 [](const auto& record) { return !record->closed; });
    return open;
}

std::optional<RunningApplication> FakeWorkspace::runningApplication(std::int32_t pid) {
    auto it = applications.find(pid);
    if (it == applications.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool FakeWorkspace::activate(std::int32_t pid) {
    activations.push_back(pid);
    return applications.count(pid) > 0;
}

std::unique_ptr<AnchorWindow> FakeWorkspace::createAnchorWindow(const Rect& contentRect) {
    if (anchorCreationFails) {
        return nullptr;
    }
    auto record = std::make_shared<FakeAnchorRecord>();
    record->windowNumber = nextWindowNumber++;
    record->contentRect = contentRect;
    anchors.push_back(record);
    return std::make_unique<FakeAnchorWindow>(record, *this);
}

std::optional<KeyEvent> FakeKeyboard::createKeyEvent(std::uint16_t keyCode, bool keyDown) {
    if (failingEvents.count({keyCode, keyDown}) > 0) {
        return std::nullopt;
    }
    return KeyEvent{keyCode, keyDown, 0};
}

NotificationCenter::Token FakeNotificationCenter::addObserver(const std::string& name,
                                                              Handler handler) {
    const Token token = next_++;
    observers_.emplace(token, std::make_pair(name, std::move(handler)));
    return token;
}

void FakeNotificationCenter::postNotification(const std::string& name,
                                              const std::optional<std::string>& object) {
    std::vector<Handler> handlers;
    for (const auto& [token, entry] : observers_) {
        if (entry.first == name) {
            handlers.push_back(entry.second);
        }
    }
    for (const Handler& handler : handlers) {
        handler(object);
    }
}

std::size_t FakeNotificationCenter::observerCount(const std::string& name) const {
    return static_cast<std::size_t>(std::count_if(observers_.begin(), observers_.end(),
                                                  [&](const auto& e) { return e.second.first == name; }));
}

std::size_t FakeBackgroundQueue::runAll() {
    std::size_t ran = 0;
    while (!tasks_.empty()) {
        auto tasks = std::move(tasks_);
        tasks_.clear();
        for (auto& task : tasks) {
            task();
            ++ran;
        }
    }
    return ran;
}

bool FakeLog::contains(const std::string& message) const { return count(message) > 0; }

std::size_t FakeLog::count(const std::string& message) const {
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const Line& line) { return line.message == message; }));
}

std::vector<std::string> FakeLog::messages() const {
    std::vector<std::string> out;
    for (const Line& line : lines) {
        out.push_back(line.message);
    }
    return out;
}

void FakePlatform::setDesktops(int count, int current, const std::string& displayUUID) {
    if (displays.screenList.empty()) {
        displays.addDisplay(1, displayUUID, Rect{0, 0, 1920, 1080}, "Built-in Display");
    }
    std::vector<json> spaces;
    for (int i = 1; i <= count; ++i) {
        spaces.push_back(WindowServerAnswers::space(i, 0, "uuid-" + std::to_string(i)));
    }
    windowServer.managedDisplaySpaces =
        json::array({WindowServerAnswers::display(displayUUID, spaces, current)});
    windowServer.activeSpaceAnswer = current;
    windowServer.displayCurrentAnswers[displayUUID] = current;
}

} // namespace quillbar::test
