// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kwin/KWinPlatform.h"

#include "platform/NoAnchorWorkspace.h"
#include "platform/NoKeyboard.h"
#include "platform/kwin/KWinDisplays.h"
#include "platform/kwin/KWinVirtualDesktops.h"
#include "platform/kwin/KWinWindowMover.h"
#include "platform/kwin/KWinWindowServer.h"

#include <QGuiApplication>
#include <QObject>
#include <QScreen>

namespace quillbar {

struct KWinPlatform::Parts {
    Parts(const QDBusConnection& bus, Services& services)
        : desktops(bus, services.log,
                   [&center = services.workspaceCenter] {
                       center.postNotification(NotificationCenter::kActiveSpaceDidChange);
                   })
        , mover(bus)
        , windowServer(desktops, displays, mover)
        , platform(services.platformWith(windowServer, displays, workspace, keyboard)) {
        // Outputs coming, going or turning primary change the display's identifier and name.
        if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
            const auto screensChanged = [&center = services.defaultCenter] {
                center.postNotification(NotificationCenter::kScreenParametersDidChange);
            };
            QObject::connect(gui, &QGuiApplication::primaryScreenChanged, &desktops,
                             screensChanged);
            QObject::connect(gui, &QGuiApplication::screenAdded, &desktops, screensChanged);
            QObject::connect(gui, &QGuiApplication::screenRemoved, &desktops, screensChanged);
        }
    }

    KWinDisplays displays;
    KWinVirtualDesktops desktops;
    KWinWindowMover mover;
    KWinWindowServer windowServer;
    NoAnchorWorkspace workspace;
    NoKeyboard keyboard; // KWin switches desktops itself
    Platform platform;
};

bool KWinPlatform::probe(const QDBusConnection& bus) {
    return KWinVirtualDesktops::answers(bus, kProbeTimeout);
}

std::unique_ptr<KWinPlatform> KWinPlatform::connect(Services services, const QDBusConnection& bus) {
    if (!bus.isConnected()) {
        return nullptr;
    }
    return std::unique_ptr<KWinPlatform>(new KWinPlatform(std::make_unique<Parts>(bus, services)));
}

KWinPlatform::KWinPlatform(std::unique_ptr<Parts> parts)
    : parts_(std::move(parts)) {}

KWinPlatform::~KWinPlatform() = default;

Platform& KWinPlatform::platform() {
    return parts_->platform;
}

} // namespace quillbar
