// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/i3ipc/I3IpcPlatform.h"

#include "platform/NoKeyboard.h"
#include <QByteArray>
#include <QtGlobal>

#include "platform/NoAnchorWorkspace.h"
#include "platform/i3ipc/I3IpcConnection.h"
#include "platform/i3ipc/I3IpcDisplays.h"
#include "platform/i3ipc/I3IpcWindowServer.h"

namespace quillbar {

struct I3IpcPlatform::Parts {
    Parts(Services& services, std::string socketPath)
        : connection(services.mainQueue, services.log, std::move(socketPath),
                     {[&center = services.workspaceCenter] {
                          center.postNotification(NotificationCenter::kActiveSpaceDidChange);
                      },
                      [&center = services.defaultCenter] {
                          center.postNotification(NotificationCenter::kScreenParametersDidChange);
                      }})
        , displays(connection)
        , windowServer(connection, services.log)
        , platform(services.platformWith(windowServer, displays, workspace, keyboard)) {}

    I3IpcConnection connection;
    I3IpcDisplays displays;
    I3IpcWindowServer windowServer;
    NoAnchorWorkspace workspace;
    NoKeyboard keyboard;
    Platform platform;
};

std::unique_ptr<I3IpcPlatform> I3IpcPlatform::connect(Services services, std::string socketPath) {
    auto platform = std::unique_ptr<I3IpcPlatform>(
        new I3IpcPlatform(std::make_unique<Parts>(services, std::move(socketPath))));
    platform->parts_->connection.start();
    return platform;
}

std::string I3IpcPlatform::probeSway() {
    return I3IpcConnection::existingSocket(qgetenv("SWAYSOCK").toStdString());
}

std::string I3IpcPlatform::probeI3(int boundMilliseconds) {
    if (std::string path = I3IpcConnection::existingSocket(qgetenv("I3SOCK").toStdString());
        !path.empty()) {
        return path;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        return {};
    }
    return I3IpcConnection::askForSocketPath("i3", boundMilliseconds);
}

I3IpcPlatform::I3IpcPlatform(std::unique_ptr<Parts> parts)
    : parts_(std::move(parts)) {}

I3IpcPlatform::~I3IpcPlatform() = default;

Platform& I3IpcPlatform::platform() {
    return parts_->platform;
}

} // namespace quillbar
