// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Workspace.h"

#include <unistd.h>

namespace quillbar {

// The workspace of a backend whose window manager shows a space on request: no other application
// is looked at or activated, and no anchor window is ever made.
class NoAnchorWorkspace final : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() override { return std::nullopt; }
    std::optional<RunningApplication> runningApplication(std::int32_t) override {
        return std::nullopt;
    }
    bool activate(std::int32_t) override { return false; }
    void activateOwnApplication() override {}
    std::int32_t ownProcessIdentifier() override { return static_cast<std::int32_t>(::getpid()); }
    std::optional<Screen> keyWindowScreen() override { return std::nullopt; }
    std::optional<Screen> mainWindowScreen() override { return std::nullopt; }
    std::unique_ptr<AnchorWindow> createAnchorWindow(const Rect&) override { return nullptr; }
};

} // namespace quillbar
