// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "app/BackendChooser.h"
#include "services/DebugRequests.h"

#include <QCommandLineParser>

namespace quillbar {

namespace {
// The output formats belong to the title printer; i3bar's array is only ever endless.
void refuseMisusedFormats(CommandLine& result) {
    if (result.mode == CommandLine::Mode::Error) {
        return;
    }
    QString error;
    if (result.json && result.i3bar) {
        error = CommandLine::tr("Choose one of --json and --i3bar.");
    } else if (result.i3bar && !result.follow) {
        error = CommandLine::tr("--i3bar goes with --follow (the bar reads an endless array).");
    } else if (result.json && result.mode != CommandLine::Mode::PrintTitle) {
        error = CommandLine::tr("--json goes with --print-title or --follow.");
    }
    if (!error.isEmpty()) {
        result.mode = CommandLine::Mode::Error;
        result.error = error;
    }
}
} // namespace

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        CommandLine::tr("Names and emoji for your virtual desktops, in the system tray."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  CommandLine::tr("Show this help and exit."));
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     CommandLine::tr("Show the version and exit."));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     CommandLine::tr("Also write the log lines to stderr."));
    const QCommandLineOption printTitle(
        QStringLiteral("print-title"),
        CommandLine::tr("Print the running instance's title (the current desktop) and exit."));
    const QCommandLineOption follow(
        QStringLiteral("follow"),
        CommandLine::tr("Print the title again on every change (for status bars)."));
    const QCommandLineOption json(
        QStringLiteral("json"),
        CommandLine::tr("With --print-title or --follow: print waybar's {\"text\", \"tooltip\"}."));
    const QCommandLineOption i3bar(
        QStringLiteral("i3bar"),
        CommandLine::tr("With --follow: speak the i3bar protocol (a status_command for swaybar "
                        "and i3bar)."));
    const QCommandLineOption debugSwitch(
        QStringLiteral("debug-switch-to"),
        CommandLine::tr("Ask the running instance to switch to desktop <number>."), tr("number"));
    const QCommandLineOption debugSettings(
        QStringLiteral("debug-settings"),
        CommandLine::tr("Ask the running instance to open its rename window."));
    const QCommandLineOption backend(
        QStringLiteral("backend"),
        CommandLine::tr(
            "The desktop to work with: auto (the default) or one of the backends below."),
        tr("name"), QStringLiteral("auto"));
    parser.addOptions({help, version, verbose, printTitle, follow, json, i3bar, debugSwitch,
                       debugSettings, backend});
    const std::vector<BackendChooser::Entry> backends = BackendChooser::entries();

    CommandLine result;
    // The first line names the program as it is installed, whatever path started it.
    const QString helpText = parser.helpText();
    result.helpText = tr("Usage: quillbar [options]") + helpText.mid(helpText.indexOf('\n')) +
                      QString::fromStdString(BackendChooser::helpText(backends));
    if (!parser.parse(arguments)) {
        result.mode = Mode::Error;
        result.error = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.mode = Mode::Error;
        result.error =
            CommandLine::tr("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
        return result;
    }
    result.verbose = parser.isSet(verbose);
    result.follow = parser.isSet(follow);
    result.json = parser.isSet(json);
    result.i3bar = parser.isSet(i3bar);
    result.backend = parser.value(backend);
    if (!BackendChooser::isKnown(backends, result.backend.toStdString())) {
        result.mode = Mode::Error;
        result.error =
            CommandLine::tr("Unknown backend '%1'; the backends are: %2.")
                .arg(result.backend, QString::fromStdString(BackendChooser::names(backends)));
        return result;
    }
    if (parser.isSet(help)) {
        result.mode = Mode::Help;
        return result;
    }
    if (parser.isSet(version)) {
        result.mode = Mode::Version;
        return result;
    }
    // Each of these asks the running instance for one thing: two at once is a mistake.
    const int requests = int(parser.isSet(debugSwitch)) + int(parser.isSet(debugSettings)) +
                         int(parser.isSet(printTitle) || result.follow);
    if (requests > 1 || parser.values(debugSwitch).size() > 1) {
        result.mode = Mode::Error;
        result.error =
            tr("Choose one of --debug-switch-to, --debug-settings and --print-title/--follow.");
        return result;
    }
    if (parser.isSet(debugSwitch)) {
        result.mode = Mode::DebugSwitch;
        result.desktop = parser.value(debugSwitch);
        if (!DebugRequests::isDesktopNumber(result.desktop)) {
            result.mode = Mode::Error;
            result.error = tr("--debug-switch-to needs a desktop number (1, 2, …), "
                              "not '%1'.")
                               .arg(result.desktop.left(40));
        }
    } else if (parser.isSet(debugSettings)) {
        result.mode = Mode::DebugSettings;
    } else if (parser.isSet(printTitle) || result.follow) {
        result.mode = Mode::PrintTitle;
    }
    refuseMisusedFormats(result);
    return result;
}

} // namespace quillbar
