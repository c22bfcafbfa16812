// What the tray and package tests cannot reach: bad command lines and signals on the event loop.
#include "app/CommandLine.h"
#include "app/Launcher.h"
#include "app/UnixSignalWatcher.h"
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace quillbar;

TEST(AppTest, RejectsUnusableCommandLinesAndDeliversSignalsOnTheLoop) {
    for (const char* bad : {"--bogus", "stray", "--debug-switch-to", "--json", "--i3bar"})
        EXPECT_EQ(CommandLine::parse({"quillbar", bad}).mode, CommandLine::Mode::Error) << bad;
    // A desktop is a number from 1; each asks for one thing at a time.
    const QList<QStringList> badLines = {{"--debug-switch-to", "abc"},
                                         {"--debug-switch-to", "0"},
                                         {"--debug-switch-to=-1"},
                                         {"--debug-switch-to", "2", "--debug-switch-to", "3"},
                                         {"--debug-settings", "--print-title"},
                                         {"--debug-switch-to", "2", "--follow"},
                                         {"--print-title", "--i3bar"}, // a bar needs the array
                                         {"--follow", "--json", "--i3bar"},
                                         {"--debug-settings", "--json"}};
    for (const QStringList& line : badLines) {
        const CommandLine parsed = CommandLine::parse(QStringList{"quillbar"} + line);
        EXPECT_EQ(parsed.mode, CommandLine::Mode::Error) << line.join(' ').toStdString();
        EXPECT_FALSE(parsed.error.isEmpty());
    }
    EXPECT_EQ(CommandLine::parse({"quillbar", "--debug-switch-to", "abc"}).error,
              "--debug-switch-to needs a desktop number (1, 2, …), not 'abc'.");
    const CommandLine good = CommandLine::parse({"quillbar", "--debug-switch-to", "+2"});
    EXPECT_EQ(good.mode, CommandLine::Mode::DebugSwitch);
    EXPECT_EQ(good.desktop, "+2");
    const CommandLine bar =
        CommandLine::parse({"quillbar", "--print-title", "--follow", "--i3bar"});
    EXPECT_EQ(bar.mode, CommandLine::Mode::PrintTitle);
    EXPECT_TRUE(bar.follow && bar.i3bar && !bar.json);
    UnixSignalWatcher watcher({SIGTERM, SIGINT});
    QSignalSpy received(&watcher, &UnixSignalWatcher::received);
    std::raise(SIGINT);
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 1 && received[0][0] == SIGINT; }));
}

// The `quillbar` command answers a title query itself only where the application would print the
// title once in the same format; every other line goes to the application.
TEST(AppTest, TheLauncherAnswersOnlyWhatTheApplicationPrintsOnce) {
    const QList<QStringList> lines = {{"--print-title"},
                                      {"--json", "--print-title"},
                                      {"--print-title", "--follow"},
                                      {"--print-title", "--i3bar"},
                                      {"--print-title", "--json", "--json"},
                                      {"--print-title", "--print-title"},
                                      {"--print-title", "--verbose"},
                                      {"--print-title", "--bogus"},
                                      {"--json"},
                                      {}};
    int answered = 0;
    for (const QStringList& line : lines) {
        std::vector<std::string> words;
        for (const QString& word : line)
            words.push_back(word.toStdString());
        const auto format = Launcher::titleQuery({words.begin(), words.end()});
        if (!format)
            continue;
        ++answered;
        const CommandLine parsed = CommandLine::parse(QStringList{"quillbar"} + line);
        EXPECT_TRUE(parsed.mode == CommandLine::Mode::PrintTitle && !parsed.follow)
            << line.join(' ').toStdString();
        EXPECT_EQ(*format == TitleLine::Format::Json, parsed.json) << line.join(' ').toStdString();
    }
    EXPECT_EQ(answered, 2);
}
