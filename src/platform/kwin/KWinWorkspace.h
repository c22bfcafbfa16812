#pragma once

#include "platform/Workspace.h"

namespace quillbar {

// The workspace where KWin switches desktops itself: no other application is looked at or
// activated, and no anchor windows are made (switching never needs them).
class KWinWorkspace final : public Workspace {
public:
    // Nothing: KWin's desktops are never full-screen spaces that need an owner's name.
    std::optional<RunningApplication> frontmostApplication() override { return std::nullopt; }
    // Nothing, for the same reason.
    std::optional<RunningApplication> runningApplication(std::int32_t) override {
        return std::nullopt;
    }
    // Always false.
    bool activate(std::int32_t) override { return false; }
    // Does nothing.
    void activateOwnApplication() override {}
    // The own process id.
    std::int32_t ownProcessIdentifier() override;
    // Nothing: the one display needs no focused-window rule.
    std::optional<Screen> keyWindowScreen() override { return std::nullopt; }
    // Nothing, as above.
    std::optional<Screen> mainWindowScreen() override { return std::nullopt; }
    // nullptr: no anchors.
    std::unique_ptr<AnchorWindow> createAnchorWindow(const Rect&) override { return nullptr; }
};

} // namespace quillbar
