// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Backend.h"
#include "platform/gnome/GnomePlatform.h"
#include "platform/qt/BackendServices.h"

#include <QtGlobal>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillbar {

// The table of backends this build knows and the choice among them at start-up. "auto" tries them
// in table order, the most specific first: GNOME Shell's extension, a compositor's own IPC, then
// KDE's bus interface, then plain EWMH on X11.
class BackendChooser {
public:
    // What a GNOME session without Quillbar's Shell extension is told (log, stderr, first run).
    //: The first-run hint puts what follows the last ": " (the command) on a line of its own.
    static constexpr const char* kGnomeExtensionMissing = QT_TRANSLATE_NOOP(
        "BackendChooser",
        "GNOME Shell extension quillbar@quillbar.org is not enabled: run gnome-extensions enable "
        "quillbar@quillbar.org");
    // The command in that message.
    static constexpr const char* kGnomeEnableCommand =
        "gnome-extensions enable quillbar@quillbar.org";

    // Under GNOME without the extension's service: what the user is told, by what the Shell says
    // of the extension.
    static std::string gnomeExtensionNotice(GnomePlatform::ExtensionState state);

    // What a probe found: whether the backend can run here, and what it saw (the reason when not).
    struct Probe {
        bool available = false;
        std::string found;
        // What the user must be told even when another backend runs (a missing piece that would
        // make this one work); empty when nothing.
        std::string notice = {};
    };
    struct Entry {
        std::string name;        // what --backend takes
        std::string description; // one line for --help and the README
        // Looks at the environment only (variables, sockets); never blocks for long.
        std::function<Probe()> probe;
        // Connects; nullptr when that fails after all.
        std::function<std::unique_ptr<Backend>(const BackendServices&)> create;
    };
    // The outcome: a backend, or none and why.
    struct Choice {
        std::string name; // of the backend chosen; empty without one
        std::unique_ptr<Backend> backend;
        std::string explanation;          // without a backend: what is supported and what was found
        std::vector<std::string> notices; // the probes' notices, already logged
    };

    // The backends of this build, in the order "auto" tries them.
    static std::vector<Entry> entries();
    // Whether requested is "auto" or a name in the table.
    static bool isKnown(const std::vector<Entry>& table, const std::string& requested);
    // Probes (and for "auto" tries) the backends; the first that connects is chosen. Logs every
    // probe's notice on the way.
    static Choice choose(const std::vector<Entry>& table, const std::string& requested,
                         const BackendServices& services);
    // What every backend found, when none will run, without connecting to anything.
    static std::string explainUnavailable(const std::vector<Entry>& table,
                                          const std::string& requested);
    // "auto" and the table's names, comma-separated, for a message about a bad --backend.
    static std::string names(const std::vector<Entry>& table);
    // The backends as --help lists them.
    static std::string helpText(const std::vector<Entry>& table);

private:
    static std::string explanation(const std::vector<Entry>& table, const std::string& requested,
                                   const std::vector<std::string>& findings);
};

} // namespace quillbar
