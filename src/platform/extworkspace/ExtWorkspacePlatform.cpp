// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/extworkspace/ExtWorkspacePlatform.h"

#include "platform/NoAnchorWorkspace.h"
#include "platform/NoKeyboard.h"
#include "platform/extworkspace/ExtWorkspaceClient.h"
#include "platform/extworkspace/ExtWorkspaceDisplays.h"
#include "platform/extworkspace/ExtWorkspaceWindowServer.h"

#include <QByteArray>
#include <QtGlobal>

namespace quillbar {

struct ExtWorkspacePlatform::Parts {
    explicit Parts(Services& services)
        : client(services.mainQueue, services.log, qgetenv("WAYLAND_DISPLAY").toStdString(),
                 [&center = services.workspaceCenter] {
                     center.postNotification(NotificationCenter::kActiveSpaceDidChange);
                 })
        , displays(client)
        , windowServer(client)
        , platform(services.platformWith(windowServer, displays, workspace, keyboard)) {}

    ExtWorkspaceClient client;
    ExtWorkspaceDisplays displays;
    ExtWorkspaceWindowServer windowServer;
    NoAnchorWorkspace workspace;
    NoKeyboard keyboard; // the compositor activates workspaces itself
    Platform platform;
};

bool ExtWorkspacePlatform::probe(std::string& why) {
    const std::string display = qgetenv("WAYLAND_DISPLAY").toStdString();
    if (display.empty()) {
        why = "no Wayland display (WAYLAND_DISPLAY is not set)";
        return false;
    }
    std::string missing;
    if (!ExtWorkspaceClient::offered(display, missing)) {
        why = "Wayland display " + display + ": " + missing;
        return false;
    }
    why = "ext_workspace_manager_v1 on Wayland display " + display;
    return true;
}

std::unique_ptr<ExtWorkspacePlatform> ExtWorkspacePlatform::connect(Services services) {
    auto platform = std::unique_ptr<ExtWorkspacePlatform>(
        new ExtWorkspacePlatform(std::make_unique<Parts>(services)));
    platform->parts_->client.start();
    return platform;
}

ExtWorkspacePlatform::ExtWorkspacePlatform(std::unique_ptr<Parts> parts)
    : parts_(std::move(parts)) {}

ExtWorkspacePlatform::~ExtWorkspacePlatform() = default;

Platform& ExtWorkspacePlatform::platform() {
    return parts_->platform;
}

} // namespace quillbar
