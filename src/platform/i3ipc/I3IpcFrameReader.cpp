// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/i3ipc/I3IpcFrameReader.h"

#include <cstring>

namespace quillbar {

void I3IpcFrameReader::feed(std::string_view bytes) {
    if (failed_) {
        return;
    }
    // Drop what has been consumed before growing, so the buffer holds at most one frame and a bit.
    if (start_ > 0) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    buffer_.append(bytes);
}

std::optional<I3IpcFrameReader::Frame> I3IpcFrameReader::next() {
    if (failed_ || buffer_.size() - start_ < kHeaderSize) {
        return std::nullopt;
    }
    const char* header = buffer_.data() + start_;
    if (std::string_view(header, kMagic.size()) != kMagic) {
        failed_ = true;
        return std::nullopt;
    }
    std::uint32_t length = 0;
    std::uint32_t type = 0;
    std::memcpy(&length, header + kMagic.size(), sizeof length);
    std::memcpy(&type, header + kMagic.size() + sizeof length, sizeof type);
    if (length > kMaxPayload) {
        failed_ = true;
        return std::nullopt;
    }
    if (buffer_.size() - start_ - kHeaderSize < length) {
        return std::nullopt;
    }
    Frame frame{type, buffer_.substr(start_ + kHeaderSize, length)};
    start_ += kHeaderSize + length;
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
    return frame;
}

std::string I3IpcFrameReader::encode(std::uint32_t type, std::string_view payload) {
    const auto length = static_cast<std::uint32_t>(payload.size());
    std::string bytes(kMagic);
    bytes.append(reinterpret_cast<const char*>(&length), sizeof length);
    bytes.append(reinterpret_cast<const char*>(&type), sizeof type);
    bytes.append(payload);
    return bytes;
}

} // namespace quillbar
