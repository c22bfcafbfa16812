// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Backend.h"
#include "platform/qt/BackendServices.h"

#include <memory>
#include <string>

namespace quillbar {

// The platform of any Wayland compositor offering ext_workspace_manager_v1 (labwc, sway 1.12 and
// others): workspace groups as displays, their workspaces as spaces, activated directly; no
// keystrokes, no anchor windows. Lives on the thread of the Qt event loop.
class ExtWorkspacePlatform final : public Backend {
public:
    using Services = BackendServices;

    // Whether WAYLAND_DISPLAY is set and its compositor offers the workspace manager (waits up
    // to half a second); why tells what was found missing.
    static bool probe(std::string& why);
    // Starts connecting to WAYLAND_DISPLAY; never waits: until the compositor has described its
    // workspaces, and while reconnecting, there are no spaces. Needs a QCoreApplication.
    static std::unique_ptr<ExtWorkspacePlatform> connect(Services services);
    ~ExtWorkspacePlatform() override;
    ExtWorkspacePlatform(const ExtWorkspacePlatform&) = delete;
    ExtWorkspacePlatform& operator=(const ExtWorkspacePlatform&) = delete;

    // The platform interfaces for the core.
    Platform& platform() override;

private:
    struct Parts;
    explicit ExtWorkspacePlatform(std::unique_ptr<Parts> parts);

    std::unique_ptr<Parts> parts_;
};

} // namespace quillbar
