// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kwin/KWinWindowServer.h"

#include "platform/kwin/KWinDisplays.h"
#include "platform/kwin/KWinVirtualDesktops.h"
#include "platform/kwin/KWinWindowMover.h"

namespace quillbar {

KWinWindowServer::KWinWindowServer(KWinVirtualDesktops& desktops, KWinDisplays& displays,
                                   KWinWindowMover& mover)
    : desktops_(desktops)
    , displays_(displays)
    , mover_(mover) {}

nlohmann::json KWinWindowServer::copyManagedDisplaySpaces() {
    return desktops_.table().managedDisplaySpaces(displays_.identifier());
}

void KWinWindowServer::addWindowsToSpaces(std::int64_t, std::int64_t) {
    // KWin's scripts know a process's windows by its pid on X11 and Wayland alike.
    mover_.bringHere();
}

nlohmann::json KWinWindowServer::copyWindowList() {
    return nullptr;
}

SpaceServerAPI KWinWindowServer::spaceServerAPI() {
    SpaceServerAPI api;
    api.activeSpace = [this] { return desktops_.table().activeSpace(); };
    api.displayCurrentSpace = [this](const std::string& identifier) -> std::int64_t {
        return identifier == displays_.identifier() ? desktops_.table().activeSpace() : 0;
    };
    api.showSpace = [this](std::int64_t managedSpaceID) {
        if (const auto id = desktops_.table().desktopID(managedSpaceID)) {
            desktops_.show(*id);
        }
    };
    api.renameSpace = [this](std::int64_t managedSpaceID,
                             const std::string& name) -> std::optional<std::string> {
        if (name.size() > kMaxNameBytes) {
            return "The name is too long for KWin";
        }
        const auto id = desktops_.table().desktopID(managedSpaceID);
        if (!id) {
            return "KWin has no such desktop now";
        }
        desktops_.rename(*id, name);
        return std::nullopt;
    };
    return api;
}

} // namespace quillbar
