// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakePlatform.h"

namespace quillbar::test {

using nlohmann::json;

SpaceServerAPI FakeWindowServer::spaceServerAPI() {
    SpaceServerAPI api;
    if (hasCopySpacesForWindows) {
        api.copySpacesForWindows = [this](std::int64_t window) {
            return windowSpaces.count(window) ? windowSpaces[window] : json();
        };
    }
    if (hasActiveSpace) {
        api.activeSpace = [this] { return activeSpaceAnswer; };
    }
    if (hasDisplayCurrentSpace) {
        api.displayCurrentSpace = [this](const std::string& display) {
            return displayCurrentAnswers.count(display) ? displayCurrentAnswers[display] : 0;
        };
    }
    if (hasShowSpace) {
        api.showSpace = [this](std::int64_t space) {
            showSpaceCalls.push_back(space);
            if (onShowSpace) {
                onShowSpace(space);
            }
        };
    }
    if (hasRenameSpace) {
        api.renameSpace = [this](std::int64_t space,
                                 const std::string& name) -> std::optional<std::string> {
            renameSpaceCalls.emplace_back(space, name);
            return onRenameSpace ? onRenameSpace(space, name) : std::nullopt;
        };
    }
    return api;
}

namespace {

class FakeAnchorWindow : public AnchorWindow {
public:
    FakeAnchorWindow(std::shared_ptr<FakeAnchorRecord> record, FakeWorkspace& workspace)
        : record_(std::move(record))
        , workspace_(workspace) {}
    ~FakeAnchorWindow() override { record_->destroyed = true; }

    std::int64_t windowNumber() const override { return record_->windowNumber; }
    void close() override { record_->closed = true; }
    void makeKeyAndOrderFront() override {
        if (workspace_.onMakeKey) {
            workspace_.onMakeKey(record_->windowNumber);
        }
    }

private:
    std::shared_ptr<FakeAnchorRecord> record_;
    FakeWorkspace& workspace_;
};

} // namespace

std::unique_ptr<AnchorWindow> FakeWorkspace::createAnchorWindow(const Rect& contentRect) {
    if (anchorCreationFails) {
        return nullptr;
    }
    const auto windowNumber = static_cast<std::int64_t>(1000 + anchors.size());
    anchors.push_back(
        std::make_shared<FakeAnchorRecord>(FakeAnchorRecord{windowNumber, contentRect}));
    return std::make_unique<FakeAnchorWindow>(anchors.back(), *this);
}

void FakeNotificationCenter::postNotification(const std::string& name,
                                              const std::optional<std::string>& object) {
    std::vector<Handler> handlers; // a handler may add or remove observers
    for (const auto& [token, entry] : observers_) {
        if (entry.first == name) {
            handlers.push_back(entry.second);
        }
    }
    for (const Handler& handler : handlers) {
        handler(object);
    }
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
