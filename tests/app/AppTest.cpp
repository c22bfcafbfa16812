#include "app/CommandLine.h"
#include "app/UnixSignalWatcher.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace quillbar {
namespace {

CommandLine parse(QStringList arguments) {
    arguments.prepend("quillbar");
    return CommandLine::parse(arguments);
}

TEST(CommandLineTest, ChoosesTheModeFromTheOptions) {
    EXPECT_EQ(parse({}).mode, CommandLine::Mode::Run);
    EXPECT_TRUE(parse({"--verbose"}).verbose);
    EXPECT_EQ(parse({"--help"}).mode, CommandLine::Mode::Help);
    EXPECT_TRUE(parse({"--help"}).helpText.startsWith("Usage: quillbar [options]"));
    EXPECT_EQ(parse({"--version"}).mode, CommandLine::Mode::Version);

    const CommandLine follow = parse({"--print-title", "--follow", "--json"});
    EXPECT_EQ(follow.mode, CommandLine::Mode::PrintTitle);
    EXPECT_TRUE(follow.follow);
    EXPECT_TRUE(follow.json);
    EXPECT_EQ(parse({"--follow"}).mode, CommandLine::Mode::PrintTitle);
    EXPECT_FALSE(parse({"--print-title"}).follow);

    const CommandLine debug = parse({"--debug-switch-to", "3"});
    EXPECT_EQ(debug.mode, CommandLine::Mode::DebugSwitch);
    EXPECT_EQ(debug.desktop, "3");
    EXPECT_EQ(parse({"--debug-settings"}).mode, CommandLine::Mode::DebugSettings);
}

TEST(CommandLineTest, RejectsWhatItCannotUse) {
    EXPECT_EQ(parse({"--bogus"}).mode, CommandLine::Mode::Error);
    EXPECT_EQ(parse({"stray"}).mode, CommandLine::Mode::Error);
    EXPECT_EQ(parse({"--debug-switch-to"}).mode, CommandLine::Mode::Error);
    EXPECT_EQ(parse({"--json"}).mode, CommandLine::Mode::Error);
}

TEST(UnixSignalWatcherTest, DeliversTheSignalOnTheEventLoopAndRestoresTheDefault) {
    struct sigaction before = {};
    {
        UnixSignalWatcher watcher({SIGTERM, SIGINT});
        ASSERT_TRUE(watcher.isWatching());
        QSignalSpy received(&watcher, &UnixSignalWatcher::received);
        std::raise(SIGTERM);
        std::raise(SIGINT);
        ASSERT_TRUE(QTest::qWaitFor([&] { return received.count() == 2; }, 5000));
        EXPECT_EQ(received.at(0).at(0).toInt(), SIGTERM);
        EXPECT_EQ(received.at(1).at(0).toInt(), SIGINT);
    }
    sigaction(SIGTERM, nullptr, &before);
    EXPECT_EQ(before.sa_handler, SIG_DFL);
}

} // namespace
} // namespace quillbar
