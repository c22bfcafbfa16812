// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gnome/GnomePlatform.h"

#include "platform/NoAnchorWorkspace.h"
#include "platform/NoKeyboard.h"
#include "platform/gnome/GnomeWindowServer.h"
#include "platform/gnome/GnomeWorkspaces.h"
#include "platform/qt/BoundedBusCall.h"
#include "platform/qt/PrimaryScreenDisplays.h"

#include <QDBusArgument>
#include <QVariantMap>

#include <QGuiApplication>
#include <QObject>
#include <QScreen>

namespace quillbar {

struct GnomePlatform::Parts {
    Parts(const QDBusConnection& bus, Services& services)
        : displays(QStringLiteral("gnome:"), QStringLiteral("GNOME Shell"))
        , workspaces(bus, services.log,
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

GnomePlatform::ExtensionState GnomePlatform::extensionState(const QDBusConnection& bus) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Shell.Extensions"), QStringLiteral("/org/gnome/Shell/Extensions"),
        QStringLiteral("org.gnome.Shell.Extensions"), QStringLiteral("GetExtensionInfo"));
    call << QStringLiteral("quillbar@quillbar.org");
    const std::optional<QDBusMessage> reply = BoundedBusCall::answer(bus, call, kProbeTimeout);
    if (!reply || reply->type() != QDBusMessage::ReplyMessage) {
        return ExtensionState::Unknown;
    }
    return readExtensionState(reply->arguments());
}

GnomePlatform::ExtensionState GnomePlatform::readExtensionState(const QList<QVariant>& arguments) {
    if (arguments.size() != 1) {
        return ExtensionState::Unknown;
    }
    QVariantMap info;
    if (arguments[0].canConvert<QDBusArgument>()) {
        const QDBusArgument argument = arguments[0].value<QDBusArgument>();
        if (argument.currentSignature() != QLatin1String("a{sv}")) {
            return ExtensionState::Unknown;
        }
        argument >> info;
    } else {
        info = arguments[0].toMap();
    }
    if (info.isEmpty()) {
        return ExtensionState::NotInstalled; // the Shell knows no such extension
    }
    // The Shell's numbering, unchanged from 3.x to 50: 3 ERROR, 4 OUT_OF_DATE.
    switch (info.value(QStringLiteral("state")).toInt()) {
    case 3:
        return ExtensionState::Error;
    case 4:
        return ExtensionState::OutOfDate;
    default:
        return ExtensionState::Off;
    }
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
