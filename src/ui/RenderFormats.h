#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quillbar {

// What the X server's RENDER extension draws with, read from its answer to QueryPictFormats: the
// picture format of 32-bit ARGB images and the format of each visual.
struct RenderFormats {
    struct Visual {
        std::uint32_t visual = 0;
        std::uint32_t format = 0;
        std::uint8_t depth = 0;
    };

    // A server offers a few dozen visuals; the list is cut well above that.
    static constexpr std::size_t kMaxVisuals = 1024;

    std::uint32_t argb32 = 0;
    std::vector<Visual> visuals;

    // Reads a whole reply of size bytes; nothing when its counts run past its end or it offers no
    // 32-bit ARGB format.
    static std::optional<RenderFormats> read(const void* reply, std::size_t size);
    // The format of visual, if the server gave one.
    const Visual* find(std::uint32_t visual) const;
};

} // namespace quillbar
