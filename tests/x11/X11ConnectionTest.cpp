#include "platform/x11/X11Connection.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>
#include <xcb/sync.h>

#include <cstdlib>
#include <memory>

namespace quillbar {
namespace {

TEST(X11ConnectionTest, TheServerServesItAheadOfOrdinaryClients) {
    test::XvfbServer server;
    ASSERT_FALSE(server.displayName().empty()) << "Xvfb did not start";
    const auto connection = X11Connection::open(server.displayName().c_str());
    ASSERT_TRUE(connection);
    xcb_connection_t* other = xcb_connect(server.displayName().c_str(), nullptr);

    const auto priority = [](xcb_connection_t* client) {
        std::unique_ptr<xcb_sync_get_priority_reply_t, decltype(&std::free)> reply(
            xcb_sync_get_priority_reply(client, xcb_sync_get_priority(client, XCB_NONE), nullptr),
            &std::free);
        return reply ? reply->priority : -1;
    };
    EXPECT_EQ(priority(other), 0); // the server's default
    EXPECT_GT(priority(connection->xcb()), 0);
    xcb_disconnect(other);
}

} // namespace
} // namespace quillbar
