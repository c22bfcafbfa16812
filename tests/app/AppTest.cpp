// SPDX-License-Identifier: GPL-3.0-or-later
// What the tray and package tests cannot reach: bad command lines, signals on the event loop, and
// what the backend choice says on the way.
#include "app/BackendChooser.h"
#include "app/CommandLine.h"
#include "app/DisplayCheck.h"
#include "app/Launcher.h"
#include "app/UnixSignalWatcher.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/qt/ThreadBackgroundQueue.h"
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace quillbar;

TEST(AppTest, RejectsUnusableCommandLinesAndDeliversSignalsOnTheLoop) {
    // A desktop is a number from 1; each asks for one thing at a time.
    const QList<QStringList> badLines = {{"--bogus"},
                                         {"stray"},
                                         {"--debug-switch-to"},
                                         {"--json"},
                                         {"--debug-switch-to", "abc"},
                                         {"--debug-switch-to", "0"},
                                         {"--debug-switch-to=-1"},
                                         {"--debug-switch-to", "2", "--debug-switch-to", "3"},
                                         {"--debug-settings", "--print-title"},
                                         {"--debug-switch-to", "2", "--follow"},
                                         {"--print-title", "--i3bar"}, // a bar needs the array
                                         {"--follow", "--json", "--i3bar"},
                                         {"--debug-settings", "--json"},
                                         {"--backend", "foo"}};
    for (const QStringList& line : badLines) {
        const CommandLine parsed = CommandLine::parse(QStringList{"quillbar"} + line);
        EXPECT_EQ(parsed.mode, CommandLine::Mode::Error) << line.join(' ').toStdString();
        EXPECT_FALSE(parsed.error.isEmpty());
    }
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

// The `quillbar` command answers a title query itself exactly where the application would print
// the title, once or following, in the same format; every other line goes to the application.
TEST(AppTest, TheLauncherAnswersOnlyWhatTheApplicationTakesForATitleQuery) {
    const QList<QStringList> lines = {{"--print-title"},
                                      {"--json", "--print-title"},
                                      {"--print-title", "--follow"},
                                      {"--follow", "--i3bar"},
                                      {"--follow", "--json", "--print-title"},
                                      {"--print-title", "--i3bar"},
                                      {"--follow", "--json", "--i3bar"},
                                      {"--print-title", "--json", "--json"},
                                      {"--print-title", "--print-title"},
                                      {"--follow", "--follow"},
                                      {"--print-title", "--verbose"},
                                      {"--print-title", "--bogus"},
                                      {"--json"},
                                      {"--i3bar"},
                                      {}};
    int answered = 0;
    for (const QStringList& line : lines) {
        std::vector<std::string> words;
        for (const QString& word : line)
            words.push_back(word.toStdString());
        const auto request = Launcher::titleQuery({words.begin(), words.end()});
        const CommandLine parsed = CommandLine::parse(QStringList{"quillbar"} + line);
        const std::string shown = line.join(' ').toStdString();
        if (!request)
            continue;
        EXPECT_EQ(parsed.mode, CommandLine::Mode::PrintTitle) << shown;
        ++answered;
        EXPECT_EQ(request->follow, parsed.follow) << shown;
        EXPECT_EQ(request->format == TitleLine::Format::Json, parsed.json) << shown;
        EXPECT_EQ(request->format == TitleLine::Format::I3bar, parsed.i3bar) << shown;
    }
    EXPECT_EQ(answered, 5);
}

namespace {
struct LinesLog : LogSink {
    std::vector<std::string> lines;
    void log(LogLevel, const std::string& message) override { lines.push_back(message); }
};
} // namespace

TEST(AppTest, ANoticeFromAProbeIsLoggedAndHandedOnOnlyWhenThatBackendIsTried) {
    QtMainQueue queue;
    ThreadBackgroundQueue background;
    LinesLog log;
    LocalNotificationCenter workspace(queue), defaults(queue), distributed(queue);
    const BackendServices services{queue, background, log, workspace, defaults, distributed, {}};
    const auto none = [](const BackendServices&) -> std::unique_ptr<Backend> { return nullptr; };
    const std::vector<BackendChooser::Entry> table = {
        {"shell", "a shell",
         [] {
             return BackendChooser::Probe{false, "not here", "enable it"};
         },
         none},
        {"plain", "plain",
         [] {
             return BackendChooser::Probe{true, "here"};
         },
         none}};

    // Tried and missing: the notice is logged and handed on, also when no backend runs at all.
    const BackendChooser::Choice choice = BackendChooser::choose(table, "auto", services);
    EXPECT_EQ(choice.backend, nullptr);
    EXPECT_EQ(choice.notices, std::vector<std::string>{"enable it"});
    EXPECT_EQ(log.lines, std::vector<std::string>{"enable it"});
    EXPECT_NE(choice.explanation.find("shell: not here"), std::string::npos);
    // Another backend asked for by name: the missing one is not mentioned.
    log.lines.clear();
    EXPECT_TRUE(BackendChooser::choose(table, "plain", services).notices.empty());
    EXPECT_TRUE(log.lines.empty());
    // One asked for by name that is absent is named, with what was found, not the whole table.
    const std::string named = BackendChooser::choose(table, "shell", services).explanation;
    EXPECT_NE(named.find("shell: not here"), std::string::npos) << named;
    EXPECT_EQ(named.find("plain"), std::string::npos) << named;
    // Under GNOME the table's first entry is GNOME's, with the one command in its notice.
    EXPECT_EQ(BackendChooser::entries().front().name, "gnome");
    EXPECT_NE(std::string(BackendChooser::kGnomeExtensionMissing)
                  .find(BackendChooser::kGnomeEnableCommand),
              std::string::npos);
}

// Enabling an extension the Shell refuses changes nothing: then the notice says what the Shell
// reported and does not send the user to gnome-extensions enable.
TEST(BackendChooserTest, TheGnomeNoticeFollowsTheShellsStateOfTheExtension) {
    using State = GnomePlatform::ExtensionState;
    const auto stateOf = [](QVariantMap info) {
        return GnomePlatform::readExtensionState({QVariant(info)});
    };
    EXPECT_EQ(stateOf({}), State::NotInstalled);
    EXPECT_EQ(stateOf({{QStringLiteral("state"), 4.0}}), State::OutOfDate);
    EXPECT_EQ(stateOf({{QStringLiteral("state"), 3.0}}), State::Error);
    EXPECT_EQ(stateOf({{QStringLiteral("state"), 2.0}}), State::Off);
    EXPECT_EQ(GnomePlatform::readExtensionState({}), State::Unknown);

    for (const State state : {State::Unknown, State::NotInstalled, State::Off}) {
        EXPECT_EQ(BackendChooser::gnomeExtensionNotice(state),
                  BackendChooser::kGnomeExtensionMissing);
    }
    for (const auto& [state, word] :
         {std::pair{State::OutOfDate, "OUT OF DATE"}, std::pair{State::Error, "ERROR"}}) {
        const std::string notice = BackendChooser::gnomeExtensionNotice(state);
        EXPECT_NE(notice.find(word), std::string::npos) << notice;
        EXPECT_EQ(notice.find(BackendChooser::kGnomeEnableCommand), std::string::npos) << notice;
    }
}

// An X server that accepts the connection but never greets (stopped, or not an X server at all)
// is given up on at the deadline; a Wayland socket that is not there is named. Either answers only
// when neither display does.
TEST(AppTest, ADisplayThatDoesNotAnswerIsExplainedWithinTheDeadline) {
    // A listening socket in the abstract namespace, where the X library looks first.
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = "/tmp/.X11-unix/X" + std::to_string(7000 + ::getpid() % 1000);
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address),
                     socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size())),
              0);
    ASSERT_EQ(::listen(listener, 4), 0);
    const std::string display = ":" + name.substr(name.rfind('X') + 1);
    DisplayCheck::Environment silent{display, "wayland-none", "/nonexistent", ""};
    const auto problem = DisplayCheck::problem(silent, std::chrono::milliseconds(300));
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("DISPLAY=" + display + ": the X server does not answer"),
              std::string::npos)
        << *problem;
    EXPECT_NE(problem->find("WAYLAND_DISPLAY=wayland-none: no compositor answers at "
                            "/nonexistent/wayland-none"),
              std::string::npos)
        << *problem;
    ::close(listener);
    // A platform that needs no display of the session is never asked about.
    silent.qpaPlatform = "offscreen";
    EXPECT_FALSE(DisplayCheck::problem(silent, std::chrono::milliseconds(300)));
}
