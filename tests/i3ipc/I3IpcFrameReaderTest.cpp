// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/i3ipc/I3IpcFrameReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace quillbar::test {
namespace {

using Frame = I3IpcFrameReader::Frame;

std::vector<Frame> drain(I3IpcFrameReader& reader) {
    std::vector<Frame> frames;
    while (auto frame = reader.next()) {
        frames.push_back(std::move(*frame));
    }
    return frames;
}

std::string header(std::string_view magic, std::uint32_t length, std::uint32_t type) {
    std::string bytes(magic);
    bytes.append(reinterpret_cast<const char*>(&length), sizeof length);
    bytes.append(reinterpret_cast<const char*>(&type), sizeof type);
    return bytes;
}

// Frames come out whole however the bytes are cut: one byte at a time, or several frames at once.
TEST(I3IpcFrameReaderTest, ReassemblesFramesFromAnyCut) {
    const std::vector<Frame> sent = {{1, R"([{"num":1}])"},
                                     {I3IpcFrameReader::kEventBit | 0, R"({"change":"focus"})"},
                                     {0, ""},
                                     {3, std::string("a\0b", 3)}};
    std::string stream;
    for (const Frame& frame : sent) {
        stream += I3IpcFrameReader::encode(frame.type, frame.payload);
    }
    I3IpcFrameReader bytewise;
    std::vector<Frame> received;
    for (char c : stream) {
        bytewise.feed(std::string_view(&c, 1));
        for (Frame& frame : drain(bytewise)) {
            received.push_back(std::move(frame));
        }
    }
    EXPECT_EQ(received, sent);
    EXPECT_TRUE(received[1].isEvent());
    EXPECT_FALSE(received[0].isEvent());

    I3IpcFrameReader whole;
    whole.feed(stream.substr(0, stream.size() - 1)); // the last frame is one byte short
    EXPECT_EQ(drain(whole).size(), 3u);
    whole.feed(stream.substr(stream.size() - 1));
    EXPECT_EQ(drain(whole), std::vector<Frame>{sent[3]});
    EXPECT_FALSE(whole.failed());
}

// A stream out of step, or a length above the bound, fails for good without waiting for the bytes.
TEST(I3IpcFrameReaderTest, FailsOnWrongMagicOrOversizedLength) {
    I3IpcFrameReader wrongMagic;
    wrongMagic.feed(header("i3-ipX", 0, 1));
    EXPECT_EQ(wrongMagic.next(), std::nullopt);
    EXPECT_TRUE(wrongMagic.failed());
    wrongMagic.feed(I3IpcFrameReader::encode(1, "[]"));
    EXPECT_EQ(wrongMagic.next(), std::nullopt);

    I3IpcFrameReader oversized;
    oversized.feed(I3IpcFrameReader::encode(1, "[]") +
                   header("i3-ipc", I3IpcFrameReader::kMaxPayload + 1, 1));
    EXPECT_EQ(drain(oversized).size(), 1u);
    EXPECT_TRUE(oversized.failed());

    I3IpcFrameReader atBound; // exactly the bound is allowed and waits for its bytes
    atBound.feed(header("i3-ipc", I3IpcFrameReader::kMaxPayload, 1));
    EXPECT_EQ(atBound.next(), std::nullopt);
    EXPECT_FALSE(atBound.failed());
}

} // namespace
} // namespace quillbar::test
