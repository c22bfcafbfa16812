// SPDX-License-Identifier: GPL-3.0-or-later
// The X11 translation of what any X client can write: desktop counts and indices, opacity, EDID
// blocks and host names.
#include "FuzzCheck.h"
#include "platform/WindowServer.h"
#include "platform/x11/X11Answers.h"

#include <span>

using quillbar::X11Answers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks one translation: the cheap ones are not held up by desktop lists.
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
    default:
        FUZZ_CHECK(X11Answers::displayIdentifier(std::string(in.rest()), int(in.size), 0).size() ==
                   36);
    }
    return 0;
}
