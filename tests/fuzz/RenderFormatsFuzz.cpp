// The X server's list of picture formats, as the tray icon's overlay reads it: any bytes read
// within their length, and a format is found only for a visual the bytes name.
#include "FuzzCheck.h"
#include "ui/RenderFormats.h"

#include <cstddef>
#include <cstdint>

using quillbar::RenderFormats;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto formats = RenderFormats::read(data, size);
    if (!formats) {
        return 0;
    }
    FUZZ_CHECK(formats->argb32 != 0);
    FUZZ_CHECK(formats->visuals.size() <= RenderFormats::kMaxVisuals);
    // Each entry takes 8 bytes after a 32-byte header and 8 bytes of its screen and depth.
    FUZZ_CHECK(size >= 32 + 28 + 16 + 8 * formats->visuals.size() || formats->visuals.empty());
    for (const RenderFormats::Visual& visual : formats->visuals) {
        FUZZ_CHECK(formats->find(visual.visual) != nullptr);
    }
    return 0;
}
