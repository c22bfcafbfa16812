// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillbar {

// The framing of the window manager's IPC socket: the magic "i3-ipc", a 32-bit payload length, a
// 32-bit message type (both in the host's byte order) and the payload. Bytes go in as they arrive;
// whole frames come out. Pure: no socket, no JSON.
class I3IpcFrameReader {
public:
    struct Frame {
        std::uint32_t type = 0;
        std::string payload;

        // Events carry the high bit; replies carry the request's type.
        bool isEvent() const { return (type & kEventBit) != 0; }
        bool operator==(const Frame&) const = default;
    };

    static constexpr std::string_view kMagic = "i3-ipc";
    static constexpr std::size_t kHeaderSize = 14;
    static constexpr std::uint32_t kEventBit = 0x80000000u;
    // The largest payload accepted: workspace and output lists are a few kilobytes.
    static constexpr std::uint32_t kMaxPayload = 4u << 20;

    // Appends bytes read from the socket; ignored once the stream has failed.
    void feed(std::string_view bytes);
    // The next whole frame, or nullopt until more bytes arrive (or for good once failed).
    std::optional<Frame> next();
    // True once the stream is unusable (wrong magic or a payload above kMaxPayload): the
    // connection must be dropped.
    bool failed() const { return failed_; }
    // The bytes of one frame of that type with that payload.
    static std::string encode(std::uint32_t type, std::string_view payload);

private:
    std::string buffer_;
    std::size_t start_ = 0; // where the next frame begins in buffer_
    bool failed_ = false;
};

} // namespace quillbar
