// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

namespace quillbar {

// What the command line asks for.
struct CommandLine {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    enum class Mode {
        Run,         // the tray application
        Help,        // --help
        Version,     // --version
        PrintTitle,  // --print-title and/or --follow
        DebugSwitch, // --debug-switch-to N
        DebugSettings,
        Error, // unusable arguments; error says why
    };

    Mode mode = Mode::Run;
    bool verbose = false;
    bool follow = false;
    bool json = false;                        // waybar's JSON lines
    bool i3bar = false;                       // i3bar's protocol, with follow
    QString desktop;                          // for DebugSwitch
    QString backend = QStringLiteral("auto"); // for Run: a name from BackendChooser's table
    QString error;
    QString helpText;

    // Reads the arguments (the first one is the program).
    static CommandLine parse(const QStringList& arguments);
};

} // namespace quillbar
