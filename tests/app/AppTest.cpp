// What the tray and package tests cannot reach: bad command lines and signals on the event loop.
#include "app/CommandLine.h"
#include "app/UnixSignalWatcher.h"
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

using namespace quillbar;

TEST(AppTest, RejectsUnusableCommandLinesAndDeliversSignalsOnTheLoop) {
    for (const char* bad : {"--bogus", "stray", "--debug-switch-to", "--json"})
        EXPECT_EQ(CommandLine::parse({"quillbar", bad}).mode, CommandLine::Mode::Error) << bad;
    UnixSignalWatcher watcher({SIGTERM, SIGINT});
    QSignalSpy received(&watcher, &UnixSignalWatcher::received);
    std::raise(SIGINT);
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 1 && received[0][0] == SIGINT; }));
}
