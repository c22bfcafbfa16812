// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Backend.h"
#include "platform/qt/BackendServices.h"

#include <QDBusConnection>

#include <chrono>
#include <memory>

namespace quillbar {

// The KDE Plasma platform, on Wayland and X11 alike: KWin's virtual desktops over the session bus
// as the spaces of one display, switched directly through KWin; the toolkit's primary screen;
// KWin's change signals as system notifications. Lives on the thread of the Qt event loop.
class KWinPlatform final : public Backend {
public:
    using Services = BackendServices;

    // How long probe() waits for KWin at most.
    static constexpr std::chrono::milliseconds kProbeTimeout{500};

    // Whether KWin's desktop manager answers on that bus (waits up to kProbeTimeout).
    static bool probe(const QDBusConnection& bus = QDBusConnection::sessionBus());
    // Follows KWin on that bus, also while KWin is away; nullptr without a bus connection. Needs a
    // QCoreApplication on the calling thread (a QGuiApplication for screen names).
    static std::unique_ptr<KWinPlatform>
    connect(Services services, const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~KWinPlatform() override;
    KWinPlatform(const KWinPlatform&) = delete;
    KWinPlatform& operator=(const KWinPlatform&) = delete;

    // The platform interfaces for the core.
    Platform& platform() override;

private:
    struct Parts;
    explicit KWinPlatform(std::unique_ptr<Parts> parts);

    std::unique_ptr<Parts> parts_;
};

} // namespace quillbar
