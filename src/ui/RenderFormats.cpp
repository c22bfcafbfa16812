#include "ui/RenderFormats.h"

#include <xcb/render.h>

#include <algorithm>
#include <cstring>

namespace quillbar {

namespace {

// Reads the reply's parts in order, each only when the reply holds all of it.
class Reader {
public:
    Reader(const void* data, std::size_t size)
        : data_(static_cast<const unsigned char*>(data))
        , size_(size) {}

    template <typename T> bool next(T& out) {
        if (size_ - offset_ < sizeof(T)) {
            return false;
        }
        std::memcpy(&out, data_ + offset_, sizeof(T));
        offset_ += sizeof(T);
        return true;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

bool isArgb32(const xcb_render_pictforminfo_t& format) {
    const xcb_render_directformat_t& d = format.direct;
    return format.type == XCB_RENDER_PICT_TYPE_DIRECT && format.depth == 32 &&
           d.alpha_mask == 0xff && d.alpha_shift == 24 && d.red_mask == 0xff && d.red_shift == 16 &&
           d.green_mask == 0xff && d.green_shift == 8 && d.blue_mask == 0xff && d.blue_shift == 0;
}

} // namespace

std::optional<RenderFormats> RenderFormats::read(const void* reply, std::size_t size) {
    Reader in(reply, size);
    xcb_render_query_pict_formats_reply_t header;
    if (!in.next(header)) {
        return std::nullopt;
    }
    RenderFormats result;
    for (std::uint32_t i = 0; i < header.num_formats; ++i) {
        xcb_render_pictforminfo_t format;
        if (!in.next(format)) {
            return std::nullopt;
        }
        if (!result.argb32 && isArgb32(format)) {
            result.argb32 = format.id;
        }
    }
    for (std::uint32_t s = 0; s < header.num_screens; ++s) {
        xcb_render_pictscreen_t screen;
        if (!in.next(screen)) {
            return std::nullopt;
        }
        for (std::uint32_t d = 0; d < screen.num_depths; ++d) {
            xcb_render_pictdepth_t depth;
            if (!in.next(depth)) {
                return std::nullopt;
            }
            for (std::uint16_t v = 0; v < depth.num_visuals; ++v) {
                xcb_render_pictvisual_t visual;
                if (!in.next(visual)) {
                    return std::nullopt;
                }
                if (result.visuals.size() < kMaxVisuals) {
                    result.visuals.push_back({visual.visual, visual.format, depth.depth});
                }
            }
        }
    }
    if (!result.argb32) {
        return std::nullopt;
    }
    return result;
}

const RenderFormats::Visual* RenderFormats::find(std::uint32_t visual) const {
    const auto found = std::find_if(visuals.begin(), visuals.end(),
                                    [visual](const Visual& v) { return v.visual == visual; });
    return found == visuals.end() ? nullptr : &*found;
}

} // namespace quillbar
