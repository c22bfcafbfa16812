// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Backend.h"
#include "platform/qt/BackendServices.h"

#include <memory>

namespace quillbar {

// The Linux/X11 platform: desktops of an EWMH window manager as spaces, shown on request
// (_NET_CURRENT_DESKTOP), RandR screens and X events as system notifications. Lives on the thread
// of the Qt event loop.
class X11Platform final : public Backend {
public:
    using Services = BackendServices;

    // Connects to the X server named by displayName (nullptr: $DISPLAY); nullptr when there is
    // none. Needs a QCoreApplication on the calling thread.
    static std::unique_ptr<X11Platform> connect(Services services,
                                                const char* displayName = nullptr);
    // False only when $DISPLAY's server answers that no client ever named the atom (an atom,
    // once named, stays until the server resets); true without an answer.
    static bool mayHaveAtom(const char* name);
    // Whether the X server named displayName greets a client; waits as long as it takes (the
    // caller bounds it), needs no toolkit.
    static bool serverAnswers(const char* displayName);
    ~X11Platform() override;
    X11Platform(const X11Platform&) = delete;
    X11Platform& operator=(const X11Platform&) = delete;

    // The platform interfaces for the core.
    Platform& platform() override;

private:
    struct Parts;
    explicit X11Platform(std::unique_ptr<Parts> parts);

    std::unique_ptr<Parts> parts_;
};

} // namespace quillbar
