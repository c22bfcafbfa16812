// SPDX-License-Identifier: GPL-3.0-or-later
// The sway/i3 socket and connection, and the renames sent through it, against a stand-in window
// manager on a Unix socket in the test: QtCore's event loop, delays on the virtual clock.
#include "platform/i3ipc/I3IpcConnection.h"
#include "FakePlatform.h"
#include "StandInSocket.h"
#include "VirtualMainQueue.h"
#include "platform/i3ipc/I3IpcFrameReader.h"
#include "platform/i3ipc/I3IpcSocket.h"
#include "platform/i3ipc/I3IpcWindowServer.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <sys/socket.h>

namespace quillbar {
namespace {

using namespace std::chrono_literals;
using test::FakeLog;
using test::spinUntil;
using test::VirtualMainQueue;

// An event loop and a listening socket whose accepted peer the test plays.
class StandInPeerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(standIn_.listening()); }
    void peerSends(const std::string& bytes) {
        ASSERT_EQ(::send(standIn_.peer(), bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    // What the peer could read within the event loop's turns, until done(bytes) holds.
    template <typename Done> std::string peerReadsUntil(Done done) {
        std::string got;
        spinUntil([&] {
            char buffer[65536];
            const ssize_t n = ::recv(standIn_.peer(), buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) {
                got.append(buffer, static_cast<std::size_t>(n));
            }
            return done(got);
        });
        return got;
    }

    int argc_ = 1;
    char name_[8] = "i3ipc";
    char* argv_[1] = {name_};
    QCoreApplication app_{argc_, argv_};
    test::StandInSocket standIn_;
};

class I3IpcSocketTest : public StandInPeerTest {
protected:
    std::unique_ptr<I3IpcSocket> connectAndAccept(I3IpcSocket::Callbacks callbacks = {}) {
        std::string error;
        auto socket = I3IpcSocket::connect(standIn_.path(), std::move(callbacks), error);
        EXPECT_TRUE(socket) << error;
        EXPECT_TRUE(standIn_.accept());
        return socket;
    }
};

// Megabytes beyond what the kernel buffers arrive whole and in order; past the bound, refused.
TEST_F(I3IpcSocketTest, WritesArriveWholeAndInOrderAndTheQueueIsBounded) {
    auto socket = connectAndAccept();
    std::string sent;
    for (int piece = 0; piece < 40; ++piece) {
        const std::string bytes(64 * 1024, static_cast<char>('a' + piece % 26));
        ASSERT_TRUE(socket->write(bytes));
        sent += bytes;
    }
    EXPECT_EQ(peerReadsUntil([&](const std::string& got) { return got.size() >= sent.size(); }),
              sent);
    const std::string big(I3IpcSocket::kMaxQueuedBytes / 2, 'b');
    bool accepted = true;
    for (int i = 0; i < 8 && accepted; ++i) {
        accepted = socket->write(big); // the peer reads no more
    }
    EXPECT_FALSE(accepted);
}

TEST_F(I3IpcSocketTest, ReadsTellDataNothingYetAndTheEnd) {
    int readable = 0;
    auto socket = connectAndAccept({[&] { ++readable; }, {}});
    char buffer[16];
    EXPECT_EQ(socket->read(buffer, sizeof buffer).status, I3IpcSocket::ReadStatus::Empty);
    peerSends("hello");
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
    // The kernel may take the first write; a later one fails, with no SIGPIPE, told a turn later.
    bool accepted = true;
    for (int i = 0; i < 4 && accepted; ++i) {
        accepted = socket->write("x");
    }
    EXPECT_FALSE(accepted);
    EXPECT_TRUE(why.empty());
    EXPECT_TRUE(spinUntil([&] { return !why.empty(); }));
    EXPECT_FALSE(socket->write("more"));
}

class I3IpcConnectionTest : public StandInPeerTest {
protected:
    void SetUp() override {
        StandInPeerTest::SetUp();
        connection_ = std::make_unique<I3IpcConnection>(
            queue_, log_, standIn_.path(),
            I3IpcConnection::Callbacks{[this] { ++spacesChanged_; }, {}});
    }
    void TearDown() override { connection_.reset(); }
    // Answers every request as a working window manager would, until done() holds.
    template <typename Done> bool answerUntil(Done done) {
        I3IpcFrameReader requests;
        bool held = false;
        peerReadsUntil([&](std::string& got) {
            requests.feed(got);
            got.clear();
            while (auto request = requests.next()) {
                peerSends(I3IpcFrameReader::encode(request->type, answerTo(*request)));
            }
            return held = done();
        });
        return held;
    }
    // Commands are kept and answered from commandAnswers_ in turn, then as run.
    std::string answerTo(const I3IpcFrameReader::Frame& request) {
        switch (request.type) {
        case I3IpcConnection::kRunCommand: {
            commands_.push_back(request.payload);
            std::string answer = R"([{"success":true}])";
            if (!commandAnswers_.empty()) {
                answer = commandAnswers_.front();
                commandAnswers_.pop_front();
            }
            return answer;
        }
        case I3IpcConnection::kSubscribe:
            return R"({"success":true})";
        case I3IpcConnection::kGetOutputs:
            return R"([{"name":"A","active":true,"rect":{"x":0,"y":0,"width":800,"height":600}}])";
        case I3IpcConnection::kGetWorkspaces:
            return workspacesAnswer_;
        default:
            return "{}";
        }
    }
    bool connected() {
        connection_->start();
        return standIn_.accept() && answerUntil([&] { return connection_->hasState(); });
    }
    // The delays the connection waited before reconnecting, in order.
    std::vector<Milliseconds> reconnectDelays() const {
        std::vector<Milliseconds> delays;
        std::ranges::copy_if(queue_.requestedDelays(), std::back_inserter(delays),
                             [](Milliseconds delay) { return delay > 0ms; });
        return delays;
    }
    // How often reading was put off to a later turn of the main queue.
    std::size_t laterTurns() const {
        return static_cast<std::size_t>(std::ranges::count(queue_.requestedDelays(), 0ms));
    }

    VirtualMainQueue queue_;
    FakeLog log_;
    int spacesChanged_ = 0;
    std::string workspacesAnswer_ =
        R"([{"id":1,"num":1,"name":"1","output":"A","visible":true,"focused":true}])";
    std::vector<std::string> commands_;
    std::deque<std::string> commandAnswers_;
    std::unique_ptr<I3IpcConnection> connection_;
};

// A peer sending nonsense is retried ever more slowly, in one log line, until one answers.
TEST_F(I3IpcConnectionTest, APeerSendingNonsenseIsBackedOffToSecondsAndLoggedOnce) {
    connection_->start();
    for (int attempt = 0; attempt < 9; ++attempt) {
        ASSERT_TRUE(standIn_.accept()) << attempt;
        peerSends(std::string(64, 'x')); // no magic
        ASSERT_TRUE(
            spinUntil([&] { return reconnectDelays().size() == std::size_t(attempt) + 1; }));
        queue_.advance(reconnectDelays().back());
    }
    EXPECT_EQ(reconnectDelays(), (std::vector<Milliseconds>{50ms, 100ms, 200ms, 400ms, 800ms,
                                                            1600ms, 3200ms, 4000ms, 4000ms}));
    EXPECT_EQ(log_.lines.size(), 1u) << log_.lines.back().message;

    ASSERT_TRUE(standIn_.accept() && answerUntil([&] { return connection_->hasState(); }));
    EXPECT_EQ(log_.count("Connected to the window manager at " + standIn_.path()), 1u);
    EXPECT_EQ(connection_->workspaces().size(), 1u);
    // Trouble after a working connection is a new episode: logged, retried soon.
    peerSends(I3IpcFrameReader::encode(0xffffffffu, "") + std::string(64, 'x'));
    ASSERT_TRUE(spinUntil([&] { return reconnectDelays().size() == 10; }));
    EXPECT_EQ(reconnectDelays().back(), 50ms);
    EXPECT_EQ(log_.lines.size(), 3u);
}

// A flood of frames is read in bounded batches, the rest on later turns of the main queue.
TEST_F(I3IpcConnectionTest, AFloodOfFramesYieldsToTheMainQueue) {
    ASSERT_TRUE(connected());
    const int changesBefore = spacesChanged_;
    std::string flood;
    for (int i = 0; i < 2000; ++i) {
        flood += I3IpcFrameReader::encode(I3IpcFrameReader::kEventBit | 1, "{}"); // output event
    }
    flood += I3IpcFrameReader::encode(I3IpcConnection::kShutdownEvent, "{}");
    peerSends(flood);
    // A first batch was read and the rest put off; the shutdown at the end is still unseen.
    ASSERT_TRUE(spinUntil([&] { return laterTurns() > 0; }));
    EXPECT_TRUE(connection_->hasState());
    queue_.drain();
    EXPECT_FALSE(connection_->hasState());
    EXPECT_GE(laterTurns(), 2000u / 256u);
    EXPECT_EQ(spacesChanged_, changesBefore + 1); // the drop, once
}

// Renames go at once; a refusal is logged once per workspace until one is taken there.
TEST_F(I3IpcConnectionTest, RenamesAreSentAndARefusalIsLoggedOncePerWorkspace) {
    I3IpcWindowServer server(*connection_, log_);
    const auto rename = server.spaceServerAPI().renameSpace;
    ASSERT_TRUE(rename);
    EXPECT_NE(rename(11, "Mail"), std::nullopt); // not connected yet
    workspacesAnswer_ = R"([{"id":11,"num":1,"name":"1","output":"A","focused":true},
                            {"id":12,"num":2,"name":"2: web","output":"A"},
                            {"id":13,"name":"chat","output":"A"}])";
    ASSERT_TRUE(connected());
    EXPECT_NE(rename(99, "Mail"), std::nullopt); // no such workspace
    EXPECT_NE(rename(13, "Mail"), std::nullopt); // no number
    const std::string refused = R"([{"success":false,"error":"Workspace already exists"}])";
    commandAnswers_ = {refused, refused, refused, R"([{"success":true}])", refused};
    EXPECT_EQ(rename(11, "📬 Mail"), std::nullopt);
    EXPECT_EQ(rename(11, "📬 Mail"), std::nullopt);
    EXPECT_EQ(rename(12, "Web"), std::nullopt);
    const std::string one = "i3 refused the name of workspace 1: Workspace already exists";
    const std::string two = "i3 refused the name of workspace 2: Workspace already exists";
    // Answers come in order: once workspace 2's refusal is heard, both of 1's were.
    ASSERT_TRUE(answerUntil([&] { return log_.count(two) == 1; }));
    EXPECT_EQ(commands_, (std::vector<std::string>{R"(rename workspace "1" to "1: 📬 Mail")",
                                                   R"(rename workspace "1" to "1: 📬 Mail")",
                                                   R"(rename workspace "2: web" to "2: Web")"}));
    EXPECT_EQ(log_.count(one), 1u);
    // Taken, then refused again: a new refusal, logged again.
    EXPECT_EQ(rename(11, ""), std::nullopt);
    EXPECT_EQ(rename(11, "📬 Mail"), std::nullopt);
    ASSERT_TRUE(answerUntil([&] { return log_.count(one) == 2; }));
    EXPECT_EQ(commands_.size(), 5u);
}

} // namespace
} // namespace quillbar
