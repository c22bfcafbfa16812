// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Backend.h"
#include "platform/qt/BackendServices.h"

#include <QDBusConnection>

#include <QList>
#include <QVariant>

#include <chrono>
#include <memory>

namespace quillbar {

// The GNOME Shell platform: the workspaces that Quillbar's Shell extension serves on the session
// bus, as the spaces of one display, activated directly through the extension; the toolkit's
// primary screen; the extension's change signal as the system notification. Lives on the thread
// of the Qt event loop.
class GnomePlatform final : public Backend {
public:
    using Services = BackendServices;

    // How long probe() waits for the extension's answer at most.
    static constexpr std::chrono::milliseconds kProbeTimeout{500};

    // Whether the extension's workspace service answers on that bus (waits up to kProbeTimeout).
    static bool probe(const QDBusConnection& bus = QDBusConnection::sessionBus());
    // What GNOME Shell's extension manager says of Quillbar's extension.
    enum class ExtensionState { Unknown, NotInstalled, Off, OutOfDate, Error };
    // Asks org.gnome.Shell.Extensions for the extension's state (waits up to kProbeTimeout);
    // Unknown when the Shell does not answer.
    static ExtensionState
    extensionState(const QDBusConnection& bus = QDBusConnection::sessionBus());
    // The state in GetExtensionInfo's reply arguments (one a{sv} with a numeric "state").
    static ExtensionState readExtensionState(const QList<QVariant>& arguments);
    // Follows the extension on that bus, also while it is away; nullptr without a bus connection.
    // Needs a QCoreApplication on the calling thread (a QGuiApplication for screen names).
    static std::unique_ptr<GnomePlatform>
    connect(Services services, const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~GnomePlatform() override;
    GnomePlatform(const GnomePlatform&) = delete;
    GnomePlatform& operator=(const GnomePlatform&) = delete;

    // The platform interfaces for the core.
    Platform& platform() override;

private:
    struct Parts;
    explicit GnomePlatform(std::unique_ptr<Parts> parts);

    std::unique_ptr<Parts> parts_;
};

} // namespace quillbar
