#pragma once

#include "platform/Workspace.h"

namespace quillbar {

// The own process under sway or i3. Switching is direct, so no other application is ever
// activated and no anchor window is ever made (it would be tiled like any window).
class I3IpcWorkspace final : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() override { return std::nullopt; }
    std::optional<RunningApplication> runningApplication(std::int32_t) override {
        return std::nullopt;
    }
    bool activate(std::int32_t) override { return false; }
    void activateOwnApplication() override {}
    // The own process id.
    std::int32_t ownProcessIdentifier() override;
    std::optional<Screen> keyWindowScreen() override { return std::nullopt; }
    std::optional<Screen> mainWindowScreen() override { return std::nullopt; }
    // Always nullptr.
    std::unique_ptr<AnchorWindow> createAnchorWindow(const Rect&) override { return nullptr; }
};

} // namespace quillbar
