// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BackendChooser.h"
#include "app/CommandLine.h"
#include "app/DisplayCheck.h"
#include "app/QuillbarApp.h"
#include "app/Translations.h"
#include "app/UnixSignalWatcher.h"
#include "services/DebugRequests.h"
#include "services/JournalLogSink.h"
#include "services/TitleQuery.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>

#include <chrono>
#include <csignal>
#include <cstdio>

namespace {

using quillbar::CommandLine;

int fail(const QString& message, int code = 1) {
    std::fprintf(stderr, "quillbar: %s\n", qUtf8Printable(message));
    return code;
}

// The title, printed once or followed: no toolkit is needed for it.
int printTitle(const CommandLine& command) {
    using Format = quillbar::TitleLine::Format;
    return quillbar::TitleQuery::run(QUILLBAR_BUNDLE_ID,
                                     command.i3bar  ? Format::I3bar
                                     : command.json ? Format::Json
                                                    : Format::Plain,
                                     command.follow);
}

// --debug-switch-to and --debug-settings, asked of the running instance over the session bus.
int runDebugRequest(int argc, char** argv, const CommandLine& command) {
    QCoreApplication app(argc, argv);
    const quillbar::Translations translations(quillbar::Translations::applicationFolders());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return fail(QStringLiteral("no session bus"));
    }
    using quillbar::DebugRequests;
    const QString service = QStringLiteral(QUILLBAR_BUNDLE_ID);
    const DebugRequests::Reply reply = command.mode == CommandLine::Mode::DebugSwitch
                                           ? DebugRequests::switchTo(bus, service, command.desktop)
                                           : DebugRequests::settings(bus, service);
    return reply.outcome == DebugRequests::Outcome::Delivered ? 0 : fail(reply.message);
}

int runApplication(int argc, char** argv, const CommandLine& command) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        // No display at all, so no tray either: say what is supported and what was found, and end.
        // The bus probes wait in an event loop, which needs an application object.
        QCoreApplication core(argc, argv);
        const quillbar::Translations translations(quillbar::Translations::applicationFolders());
        const std::string explanation = quillbar::BackendChooser::explainUnavailable(
            quillbar::BackendChooser::entries(), command.backend.toStdString());
        quillbar::JournalLogSink(QUILLBAR_BUNDLE_ID, nullptr)
            .log(quillbar::LogLevel::Default, explanation);
        return fail(QString::fromStdString(explanation));
    }
    // Qt aborts on a display that does not answer; the user hears why from Quillbar instead.
    if (const auto problem = quillbar::DisplayCheck::problem(quillbar::DisplayCheck::current(),
                                                             std::chrono::seconds(5))) {
        quillbar::JournalLogSink(QUILLBAR_BUNDLE_ID, nullptr)
            .log(quillbar::LogLevel::Default, *problem);
        return fail(QString::fromStdString(*problem));
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillbar"));
    QApplication::setOrganizationName(QStringLiteral("quillbar"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLBAR_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("quillbar"));
    const quillbar::Translations translations(quillbar::Translations::applicationFolders());
    // The process lives in the tray; closing the rename window never ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    quillbar::UnixSignalWatcher signalWatcher({SIGTERM, SIGINT});
    QObject::connect(&signalWatcher, &quillbar::UnixSignalWatcher::received, &app,
                     &QCoreApplication::quit);

    quillbar::QuillbarApp quillbar(
        {QUILLBAR_BUNDLE_ID, QUILLBAR_VERSION, command.verbose, command.backend.toStdString()});
    if (!quillbar.isRunning()) {
        return 1; // the reason is on stderr and in the journal already
    }
    QObject::connect(&quillbar, &quillbar::QuillbarApp::quitRequested, &app,
                     &QCoreApplication::quit, Qt::QueuedConnection);
    return app.exec();
}

// The help and the complaint about the arguments, in the user's language: read again once the
// translations are in, which needs an application object.
int printHelpOrError(int argc, char** argv, const QStringList& arguments) {
    QCoreApplication core(argc, argv);
    const quillbar::Translations translations(quillbar::Translations::applicationFolders());
    const CommandLine command = CommandLine::parse(arguments);
    if (command.mode == CommandLine::Mode::Help) {
        std::fputs(qUtf8Printable(command.helpText), stdout);
        return 0;
    }
    return fail(command.error + QCoreApplication::translate("main", " (see --help)"), 2);
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const CommandLine command = CommandLine::parse(arguments);
    switch (command.mode) {
    case CommandLine::Mode::Error:
    case CommandLine::Mode::Help:
        return printHelpOrError(argc, argv, arguments);
    case CommandLine::Mode::Version:
        std::printf("quillbar %s\n", QUILLBAR_VERSION);
        return 0;
    case CommandLine::Mode::Run:
        return runApplication(argc, argv, command);
    case CommandLine::Mode::PrintTitle:
        return printTitle(command);
    case CommandLine::Mode::DebugSwitch:
    case CommandLine::Mode::DebugSettings:
        return runDebugRequest(argc, argv, command);
    }
    return 1;
}
