// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kwin/KWinWindowServer.h"

#include "platform/kwin/KWinDisplays.h"
#include "platform/kwin/KWinVirtualDesktops.h"
#include "platform/kwin/KWinWindowMover.h"

#include <QGuiApplication>

namespace quillbar {

KWinWindowServer::KWinWindowServer(KWinVirtualDesktops& desktops, KWinDisplays& displays,
                                   KWinWindowMover& mover)
    : desktops_(desktops)
    , displays_(displays)
    , mover_(mover) {}

nlohmann::json KWinWindowServer::copyManagedDisplaySpaces() {
    return desktops_.table().managedDisplaySpaces(displays_.identifier());
}

void KWinWindowServer::addWindowsToSpaces(std::int64_t windowNumber, std::int64_t) {
    // On Wayland a window's number names nothing KWin knows: the process's windows are brought.
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    mover_.bringHere(x11 ? std::uint64_t(windowNumber) : 0);
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
    return api;
}

} // namespace quillbar
