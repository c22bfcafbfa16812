// SPDX-License-Identifier: GPL-3.0-or-later
// The sway/i3 socket against a listening Unix socket in the test, on QtCore's event loop.
#include "platform/i3ipc/I3IpcSocket.h"
#include "StandInSocket.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <string>
#include <sys/socket.h>

namespace quillbar {
namespace {

using test::spinUntil;

class I3IpcSocketTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(standIn_.listening()); }

    std::unique_ptr<I3IpcSocket> connectAndAccept(I3IpcSocket::Callbacks callbacks = {}) {
        std::string error;
        auto socket = I3IpcSocket::connect(standIn_.path(), std::move(callbacks), error);
        EXPECT_TRUE(socket) << error;
        EXPECT_TRUE(standIn_.accept());
        return socket;
    }

    // Everything the peer can read within the event loop's turns, until count bytes came.
    std::string peerReads(std::size_t count) {
        std::string got;
        spinUntil([&] {
            char buffer[65536];
            const ssize_t n = ::recv(standIn_.peer(), buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) {
                got.append(buffer, static_cast<std::size_t>(n));
            }
            return got.size() >= count;
        });
        return got;
    }

    int argc_ = 1;
    char name_[8] = "i3ipc";
    char* argv_[1] = {name_};
    QCoreApplication app_{argc_, argv_};
    test::StandInSocket standIn_;
};

TEST_F(I3IpcSocketTest, WritesMoreThanTheSocketTakesArriveWholeAndInOrder) {
    auto socket = connectAndAccept();
    // Several megabytes in pieces: far beyond what the kernel buffers while nobody reads.
    std::string sent;
    for (int piece = 0; piece < 40; ++piece) {
        const std::string bytes(64 * 1024, static_cast<char>('a' + piece % 26));
        ASSERT_TRUE(socket->write(bytes));
        sent += bytes;
    }
    EXPECT_EQ(peerReads(sent.size()), sent);
}

TEST_F(I3IpcSocketTest, ReadsTellDataNothingYetAndTheEnd) {
    int readable = 0;
    auto socket = connectAndAccept({[&] { ++readable; }, {}});
    char buffer[16];
    EXPECT_EQ(socket->read(buffer, sizeof buffer).status, I3IpcSocket::ReadStatus::Empty);
    ASSERT_EQ(::send(standIn_.peer(), "hello", 5, 0), 5);
    ASSERT_TRUE(spinUntil([&] { return readable > 0; }));
    const auto result = socket->read(buffer, sizeof buffer);
    ASSERT_EQ(result.status, I3IpcSocket::ReadStatus::Data);
    EXPECT_EQ(std::string(buffer, result.count), "hello");
    EXPECT_EQ(socket->read(buffer, sizeof buffer).status, I3IpcSocket::ReadStatus::Empty);
    standIn_.closePeer();
    EXPECT_EQ(socket->read(buffer, sizeof buffer).status, I3IpcSocket::ReadStatus::Closed);
}

TEST_F(I3IpcSocketTest, WritingToAPeerThatLeftFailsLaterWithoutASignal) {
    std::string why;
    auto socket = connectAndAccept({{}, [&](const std::string& reason) { why = reason; }});
    standIn_.closePeer();
    // The first write may still be taken by the kernel; the one after the reset fails. Neither
    // raises SIGPIPE (which would end this test), and the failure is told on a later turn.
    bool accepted = true;
    for (int i = 0; i < 4 && accepted; ++i) {
        accepted = socket->write("x");
    }
    EXPECT_FALSE(accepted);
    EXPECT_TRUE(why.empty());
    EXPECT_TRUE(spinUntil([&] { return !why.empty(); }));
    EXPECT_FALSE(socket->write("more"));
}

TEST_F(I3IpcSocketTest, ABoundedQueue) {
    auto socket = connectAndAccept();
    const std::string big(I3IpcSocket::kMaxQueuedBytes / 2, 'b');
    bool accepted = true;
    for (int i = 0; i < 8 && accepted; ++i) {
        accepted = socket->write(big); // the peer never reads
    }
    EXPECT_FALSE(accepted);
}

} // namespace
} // namespace quillbar
