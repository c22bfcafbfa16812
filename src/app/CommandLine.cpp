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

// Every option the program takes, in the order the help lists them.
struct Options {
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")},
                            CommandLine::tr("Show this help and exit.")};
    QCommandLineOption version{QStringList{QStringLiteral("v"), QStringLiteral("version")},
                               CommandLine::tr("Show the version and exit.")};
    QCommandLineOption verbose{QStringLiteral("verbose"),
                               CommandLine::tr("Also write the log lines to stderr.")};
    QCommandLineOption printTitle{
        QStringLiteral("print-title"),
        CommandLine::tr("Print the running instance's title (the current desktop) and exit.")};
    QCommandLineOption follow{
        QStringLiteral("follow"),
        CommandLine::tr("Print the title again on every change (for status bars).")};
    QCommandLineOption json{
        QStringLiteral("json"),
        CommandLine::tr("With --print-title or --follow: print waybar's {\"text\", \"tooltip\"}.")};
    QCommandLineOption i3bar{
        QStringLiteral("i3bar"),
        CommandLine::tr("With --follow: speak the i3bar protocol (a status_command for swaybar "
                        "and i3bar).")};
    QCommandLineOption debugSwitch{
        QStringLiteral("debug-switch-to"),
        CommandLine::tr("Ask the running instance to switch to desktop <number>."),
        CommandLine::tr("number")};
    QCommandLineOption debugSettings{
        QStringLiteral("debug-settings"),
        CommandLine::tr("Ask the running instance to open its rename window.")};
    QCommandLineOption backend{
        QStringLiteral("backend"),
        CommandLine::tr(
            "The desktop to work with: auto (the default) or one of the backends below."),
        CommandLine::tr("name"), QStringLiteral("auto")};

    void addTo(QCommandLineParser& parser) const {
        parser.addOptions({help, version, verbose, printTitle, follow, json, i3bar, debugSwitch,
                           debugSettings, backend});
    }
};

CommandLine refused(CommandLine result, const QString& error) {
    result.mode = CommandLine::Mode::Error;
    result.error = error;
    return result;
}

// The one request to the running instance, if any: two at once is a mistake.
CommandLine readRequest(const QCommandLineParser& parser, const Options& options,
                        CommandLine result) {
    const int requests = int(parser.isSet(options.debugSwitch)) +
                         int(parser.isSet(options.debugSettings)) +
                         int(parser.isSet(options.printTitle) || result.follow);
    if (requests > 1 || parser.values(options.debugSwitch).size() > 1) {
        return refused(std::move(result),
                       CommandLine::tr("Choose one of --debug-switch-to, --debug-settings and "
                                       "--print-title/--follow."));
    }
    if (parser.isSet(options.debugSwitch)) {
        result.mode = CommandLine::Mode::DebugSwitch;
        result.desktop = parser.value(options.debugSwitch);
        if (!DebugRequests::isDesktopNumber(result.desktop)) {
            const QString desktop = result.desktop.left(40);
            return refused(std::move(result),
                           CommandLine::tr("--debug-switch-to needs a desktop number (1, 2, …), "
                                           "not '%1'.")
                               .arg(desktop));
        }
    } else if (parser.isSet(options.debugSettings)) {
        result.mode = CommandLine::Mode::DebugSettings;
    } else if (parser.isSet(options.printTitle) || result.follow) {
        result.mode = CommandLine::Mode::PrintTitle;
    }
    return result;
}
} // namespace

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Names and emoji for your virtual desktops, in the system tray."));
    const Options options;
    options.addTo(parser);
    const std::vector<BackendChooser::Entry> backends = BackendChooser::entries();

    CommandLine result;
    // The first line names the program as it is installed, whatever path started it.
    const QString helpText = parser.helpText();
    result.helpText = tr("Usage: quillbar [options]") + helpText.mid(helpText.indexOf('\n')) +
                      QString::fromStdString(BackendChooser::helpText(backends));
    if (!parser.parse(arguments)) {
        return refused(std::move(result), parser.errorText());
    }
    if (!parser.positionalArguments().isEmpty()) {
        return refused(std::move(result),
                       tr("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
    }
    result.verbose = parser.isSet(options.verbose);
    result.follow = parser.isSet(options.follow);
    result.json = parser.isSet(options.json);
    result.i3bar = parser.isSet(options.i3bar);
    result.backend = parser.value(options.backend);
    if (!BackendChooser::isKnown(backends, result.backend.toStdString())) {
        const QString names = QString::fromStdString(BackendChooser::names(backends));
        return refused(
            std::move(result),
            tr("Unknown backend '%1'; the backends are: %2.").arg(result.backend, names));
    }
    if (parser.isSet(options.help)) {
        result.mode = Mode::Help;
        return result;
    }
    if (parser.isSet(options.version)) {
        result.mode = Mode::Version;
        return result;
    }
    result = readRequest(parser, options, std::move(result));
    refuseMisusedFormats(result);
    return result;
}

} // namespace quillbar
