// SPDX-License-Identifier: GPL-3.0-or-later
// What the tray tests cannot reach: command lines, signals, the backend choice, a silent display.
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

namespace {
CommandLine parse(const char* line) {
    return CommandLine::parse(QStringList{"quillbar"} +
                              QString::fromLatin1(line).split(' ', Qt::SkipEmptyParts));
}
} // namespace

TEST(AppTest, RejectsUnusableCommandLinesAndDeliversSignalsOnTheLoop) {
    // A desktop is a number from 1; one request at a time; a bar needs --follow's array.
    for (const char* line :
         {"--bogus", "stray", "--debug-switch-to", "--json", "--debug-switch-to 0",
          "--debug-switch-to 2 --debug-switch-to 3", "--debug-settings --print-title",
          "--debug-switch-to 2 --follow", "--print-title --i3bar", "--follow --json --i3bar",
          "--debug-settings --json", "--backend foo"}) {
        const CommandLine parsed = parse(line);
        EXPECT_EQ(parsed.mode, CommandLine::Mode::Error) << line;
        EXPECT_FALSE(parsed.error.isEmpty()) << line;
    }
    const CommandLine good = parse("--debug-switch-to +2");
    EXPECT_EQ(good.mode, CommandLine::Mode::DebugSwitch);
    EXPECT_EQ(good.desktop, "+2");
    const CommandLine bar = parse("--print-title --follow --i3bar");
    EXPECT_EQ(bar.mode, CommandLine::Mode::PrintTitle);
    EXPECT_TRUE(bar.follow && bar.i3bar && !bar.json);
    UnixSignalWatcher watcher({SIGTERM, SIGINT});
    QSignalSpy received(&watcher, &UnixSignalWatcher::received);
    std::raise(SIGINT);
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 1 && received[0][0] == SIGINT; }));
}

// The launcher answers a title query only where the application would print the title, alike.
TEST(AppTest, TheLauncherAnswersOnlyWhatTheApplicationTakesForATitleQuery) {
    int answered = 0;
    for (const char* line :
         {"--print-title", "--json --print-title", "--print-title --follow", "--follow --i3bar",
          "--follow --json --print-title", "--print-title --i3bar", "--follow --json --i3bar",
          "--print-title --json --json", "--print-title --print-title", "--follow --follow",
          "--print-title --verbose", "--print-title --bogus", "--json", "--i3bar", ""}) {
        std::vector<std::string> words;
        for (const QString& word : QString::fromLatin1(line).split(' ', Qt::SkipEmptyParts))
            words.push_back(word.toStdString());
        const auto request = Launcher::titleQuery({words.begin(), words.end()});
        const CommandLine parsed = parse(line);
        if (!request)
            continue;
        ++answered;
        EXPECT_EQ(parsed.mode, CommandLine::Mode::PrintTitle) << line;
        EXPECT_EQ(request->follow, parsed.follow) << line;
        EXPECT_EQ(request->format == TitleLine::Format::Json, parsed.json) << line;
        EXPECT_EQ(request->format == TitleLine::Format::I3bar, parsed.i3bar) << line;
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
    const auto finds = [](BackendChooser::Probe probe) { return [probe] { return probe; }; };
    const std::vector<BackendChooser::Entry> table = {
        {"shell", "a shell", finds({false, "not here", "enable it"}), none},
        {"plain", "plain", finds({true, "here"}), none}};

    // Tried and missing: logged and handed on, also when no backend runs at all.
    const BackendChooser::Choice choice = BackendChooser::choose(table, "auto", services);
    EXPECT_EQ(choice.backend, nullptr);
    EXPECT_EQ(choice.notices, std::vector<std::string>{"enable it"});
    EXPECT_EQ(log.lines, std::vector<std::string>{"enable it"});
    EXPECT_NE(choice.explanation.find("shell: not here"), std::string::npos);
    // Another backend asked for by name: the missing one is not mentioned.
    log.lines.clear();
    EXPECT_TRUE(BackendChooser::choose(table, "plain", services).notices.empty());
    EXPECT_TRUE(log.lines.empty());
    // An absent one asked for by name is named with what was found, not the whole table.
    const std::string named = BackendChooser::choose(table, "shell", services).explanation;
    EXPECT_NE(named.find("shell: not here"), std::string::npos) << named;
    EXPECT_EQ(named.find("plain"), std::string::npos) << named;
    EXPECT_EQ(BackendChooser::entries().front().name, "gnome"); // tried first under GNOME
}

// An extension the Shell refuses is not fixed by enabling it: the notice says what the Shell said.
TEST(BackendChooserTest, TheGnomeNoticeFollowsTheShellsStateOfTheExtension) {
    using State = GnomePlatform::ExtensionState;
    struct Row {
        QVariantMap info;
        State state;
        const char* word; // what a refusal's notice says instead of the command
    };
    EXPECT_EQ(GnomePlatform::readExtensionState({}), State::Unknown);
    EXPECT_EQ(BackendChooser::gnomeExtensionNotice(State::Unknown),
              BackendChooser::kGnomeExtensionMissing);
    for (const Row& row :
         {Row{{}, State::NotInstalled, nullptr}, Row{{{"state", 2.0}}, State::Off, nullptr},
          Row{{{"state", 3.0}}, State::Error, "ERROR"},
          Row{{{"state", 4.0}}, State::OutOfDate, "OUT OF DATE"}}) {
        EXPECT_EQ(GnomePlatform::readExtensionState({QVariant(row.info)}), row.state);
        const std::string notice = BackendChooser::gnomeExtensionNotice(row.state);
        if (!row.word) {
            EXPECT_EQ(notice, BackendChooser::kGnomeExtensionMissing);
        } else {
            EXPECT_NE(notice.find(row.word), std::string::npos) << notice;
            EXPECT_EQ(notice.find(BackendChooser::kGnomeEnableCommand), std::string::npos);
        }
    }
}

// An X server that never greets is given up on at the deadline; a missing Wayland socket is
// named; either answers only when neither display does.
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
    for (const std::string& part :
         {"DISPLAY=" + display + ": the X server does not answer",
          std::string("WAYLAND_DISPLAY=wayland-none: no compositor answers at "
                      "/nonexistent/wayland-none")})
        EXPECT_NE(problem->find(part), std::string::npos) << *problem;
    ::close(listener);
    silent.qpaPlatform = "offscreen"; // needs no display of the session
    EXPECT_FALSE(DisplayCheck::problem(silent, std::chrono::milliseconds(300)));
}
