#include "app/CommandLine.h"

#include "app/BackendChooser.h"

#include <QCommandLineParser>

namespace quillbar {

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Names and emoji for your virtual desktops, in the system tray."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Also write the log lines to stderr."));
    const QCommandLineOption printTitle(
        QStringLiteral("print-title"),
        QStringLiteral("Print the running instance's title (the current desktop) and exit."));
    const QCommandLineOption follow(
        QStringLiteral("follow"),
        QStringLiteral("Print the title again on every change (for status bars)."));
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("With --print-title or --follow: print waybar's {\"text\", \"tooltip\"}."));
    const QCommandLineOption debugSwitch(
        QStringLiteral("debug-switch-to"),
        QStringLiteral("Ask the running instance to switch to desktop <number>."),
        QStringLiteral("number"));
    const QCommandLineOption debugSettings(
        QStringLiteral("debug-settings"),
        QStringLiteral("Ask the running instance to open its rename window."));
    const QCommandLineOption backend(
        QStringLiteral("backend"),
        QStringLiteral(
            "The desktop to work with: auto (the default) or one of the backends below."),
        QStringLiteral("name"), QStringLiteral("auto"));
    parser.addOptions(
        {help, version, verbose, printTitle, follow, json, debugSwitch, debugSettings, backend});
    const std::vector<BackendChooser::Entry> backends = BackendChooser::entries();

    CommandLine result;
    // The first line names the program as it is installed, whatever path started it.
    const QString helpText = parser.helpText();
    result.helpText = QStringLiteral("Usage: quillbar [options]") +
                      helpText.mid(helpText.indexOf('\n')) +
                      QString::fromStdString(BackendChooser::helpText(backends));
    if (!parser.parse(arguments)) {
        result.mode = Mode::Error;
        result.error = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.mode = Mode::Error;
        result.error =
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
        return result;
    }
    result.verbose = parser.isSet(verbose);
    result.follow = parser.isSet(follow);
    result.json = parser.isSet(json);
    result.backend = parser.value(backend);
    if (!BackendChooser::isKnown(backends, result.backend.toStdString())) {
        result.mode = Mode::Error;
        result.error = QStringLiteral("Unknown backend '%1'.").arg(result.backend);
        return result;
    }
    if (parser.isSet(help)) {
        result.mode = Mode::Help;
    } else if (parser.isSet(version)) {
        result.mode = Mode::Version;
    } else if (parser.isSet(debugSwitch)) {
        result.mode = Mode::DebugSwitch;
        result.desktop = parser.value(debugSwitch);
    } else if (parser.isSet(debugSettings)) {
        result.mode = Mode::DebugSettings;
    } else if (parser.isSet(printTitle) || result.follow) {
        result.mode = Mode::PrintTitle;
    } else if (result.json) {
        result.mode = Mode::Error;
        result.error = QStringLiteral("--json goes with --print-title or --follow.");
    }
    return result;
}

} // namespace quillbar
