// SPDX-License-Identifier: GPL-3.0-or-later
// The X11 backend's translation of window properties, on values any X client can write: desktop
// counts and indices (_NET_NUMBER_OF_DESKTOPS, _NET_CURRENT_DESKTOP, _NET_WM_DESKTOP), opacity,
// EDID blocks and host names. Pure functions: no X server is needed.
#include "FuzzCheck.h"
#include "platform/WindowServer.h"
#include "platform/x11/X11Answers.h"

#include <span>

using quillbar::X11Answers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks one translation, so that the cheap ones are not held up by the
    // desktop lists, which cost most.
    FuzzInput in{data, size};
    switch (in.byte() % 4) {
    case 0: {
        const std::uint32_t count = in.u32();
        const std::uint32_t current = in.u32();
        const std::uint32_t windowDesktop = in.u32();
        const nlohmann::json display = X11Answers::managedDisplay("ID", count, current);
        const auto& spaces = display.at(quillbar::WindowServer::kSpaces);
        FUZZ_CHECK(spaces.size() <= count);
        const nlohmann::json on = X11Answers::spacesOfDesktop(windowDesktop, count);
        FUZZ_CHECK(on.size() <= spaces.size() || on.size() == 1);
        break;
    }
    case 1: {
        const std::uint32_t opacity = in.u32();
        const double fraction = X11Answers::opacityFraction(opacity);
        FUZZ_CHECK(fraction >= 0.0 && fraction <= 1.0);
        FUZZ_CHECK(X11Answers::opacityValue(fraction) == opacity);
        break;
    }
    case 2:
        if (const auto name = X11Answers::edidMonitorName(std::span(in.data, in.size))) {
            FUZZ_CHECK(!name->empty() && name->size() <= 13);
        }
        break;
    default: {
        FUZZ_CHECK(X11Answers::displayIdentifier(std::string(in.rest()), int(in.size), 0).size() ==
                   36);
        break;
    }
    }
    return 0;
}
