// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gnome/GnomePlatform.h"

#include "platform/NoAnchorWorkspace.h"
#include "platform/NoKeyboard.h"
#include "platform/gnome/GnomeWindowServer.h"
#include "platform/gnome/GnomeWorkspaces.h"
#include "platform/qt/PrimaryScreenDisplays.h"

#include <QGuiApplication>
#include <QObject>
#include <QScreen>

namespace quillbar {

struct GnomePlatform::Parts {
    Parts(const QDBusConnection& bus, Services& services)
        : displays(QStringLiteral("gnome:"), QStringLiteral("GNOME Shell"))
        , workspaces(bus,
                     [&center = services.workspaceCenter] {
                         center.postNotification(NotificationCenter::kActiveSpaceDidChange);
                     })
        , windowServer(workspaces, displays)
        , platform(services.platformWith(windowServer, displays, workspace, keyboard)) {
        // Monitors coming, going or turning primary change the display's identifier and name.
        if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
            const auto screensChanged = [&center = services.defaultCenter] {
                center.postNotification(NotificationCenter::kScreenParametersDidChange);
            };
            QObject::connect(gui, &QGuiApplication::primaryScreenChanged, &workspaces,
                             screensChanged);
            QObject::connect(gui, &QGuiApplication::screenAdded, &workspaces, screensChanged);
            QObject::connect(gui, &QGuiApplication::screenRemoved, &workspaces, screensChanged);
        }
    }

    PrimaryScreenDisplays displays;
    GnomeWorkspaces workspaces;
    GnomeWindowServer windowServer;
    NoAnchorWorkspace workspace;
    NoKeyboard keyboard; // the Shell activates workspaces itself
    Platform platform;
};

bool GnomePlatform::probe(const QDBusConnection& bus) {
    return GnomeWorkspaces::answers(bus, kProbeTimeout);
}

std::unique_ptr<GnomePlatform> GnomePlatform::connect(Services services,
                                                      const QDBusConnection& bus) {
    if (!bus.isConnected()) {
        return nullptr;
    }
    return std::unique_ptr<GnomePlatform>(
        new GnomePlatform(std::make_unique<Parts>(bus, services)));
}

GnomePlatform::GnomePlatform(std::unique_ptr<Parts> parts)
    : parts_(std::move(parts)) {}

GnomePlatform::~GnomePlatform() = default;

Platform& GnomePlatform::platform() {
    return parts_->platform;
}

} // namespace quillbar
