// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BackendChooser.h"

#include "platform/extworkspace/ExtWorkspacePlatform.h"
#include "platform/gnome/GnomePlatform.h"
#include "platform/i3ipc/I3IpcPlatform.h"
#include "platform/kwin/KWinPlatform.h"
#include "platform/x11/X11Platform.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QtGlobal>

#include <algorithm>
#include <cstdlib>

namespace quillbar {

namespace {

constexpr const char* kAuto = "auto";

// The user's language for --help; the table keeps the English text, which the log speaks.
std::string translated(const char* text) {
    return QCoreApplication::translate("BackendChooser", text).toStdString();
}

// X11 with an EWMH window manager. Inside a Wayland session DISPLAY belongs to Xwayland, whose
// desktops are not the compositor's.
BackendChooser::Probe probeX11() {
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        return {false, "no X display (DISPLAY is not set)"};
    }
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return {false,
                "a Wayland session (WAYLAND_DISPLAY=" + qgetenv("WAYLAND_DISPLAY").toStdString() +
                    ") whose compositor is not supported; DISPLAY=" + display.toStdString() +
                    " is its Xwayland"};
    }
    return {true, "X display " + display.toStdString()};
}

std::unique_ptr<Backend> createX11(const BackendServices& services) {
    return X11Platform::connect(services);
}

// sway and i3 share one backend over their IPC socket; the probe's path is the one connected to.
BackendChooser::Entry i3ipcEntry(std::string name, std::string description,
                                 std::function<std::string()> probe) {
    auto path = std::make_shared<std::string>();
    return {std::move(name), std::move(description),
            [probe = std::move(probe), path]() -> BackendChooser::Probe {
                *path = probe();
                if (path->empty()) {
                    return {false, "no IPC socket found"};
                }
                return {true, "IPC socket " + *path};
            },
            [path](const BackendServices& services) -> std::unique_ptr<Backend> {
                return I3IpcPlatform::connect(services, *path);
            }};
}

// i3 names its socket on the root window, under an atom the X server keeps from then on: where no
// i3 ever ran that atom is missing, and no `i3 --get-socketpath` process need start (it would
// cost more than the rest of the start-up to the first title).
bool i3MayRun() {
    if (!qEnvironmentVariableIsEmpty("I3SOCK") || qEnvironmentVariableIsEmpty("DISPLAY")) {
        return true; // the probe itself decides
    }
    return X11Platform::mayHaveAtom("I3_SOCKET_PATH");
}

// KDE Plasma, on Wayland or X11: KWin's desktop manager on the session bus. Its desktops have ids
// of their own, so it goes before plain EWMH. Waits briefly for KWin's answer at most.
BackendChooser::Probe probeKWin() {
    if (!KWinPlatform::probe()) {
        return {false, "no KWin desktop manager on the session bus (org.kde.KWin)"};
    }
    return {true, "KWin's desktop manager on the session bus"};
}

std::unique_ptr<Backend> createKWin(const BackendServices& services) {
    return KWinPlatform::connect(services);
}

// GNOME Shell, on Wayland or X11: the workspace service of Quillbar's Shell extension. Inside
// GNOME without it nothing else sees the workspaces on Wayland, so the user is told how to turn
// it on. Waits briefly for the extension's answer at most.
BackendChooser::Probe probeGnome() {
    if (GnomePlatform::probe()) {
        return {true, "the GNOME Shell extension's workspaces on the session bus"};
    }
    if (qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains(QLatin1String("GNOME"))) {
        const std::string notice =
            BackendChooser::gnomeExtensionNotice(GnomePlatform::extensionState());
        return {false, notice, notice};
    }
    return {false, "no GNOME Shell extension on the session bus (org.quillbar.Shell)"};
}

std::unique_ptr<Backend> createGnome(const BackendServices& services) {
    return GnomePlatform::connect(services);
}

// Any Wayland compositor with the standard workspace protocol (labwc, sway 1.12, ...): after the
// desktops whose own interfaces say more. Waits briefly for the compositor's globals at most.
BackendChooser::Probe probeExtWorkspace() {
    std::string found;
    const bool available = ExtWorkspacePlatform::probe(found);
    return {available, found};
}

std::unique_ptr<Backend> createExtWorkspace(const BackendServices& services) {
    return ExtWorkspacePlatform::connect(services);
}

} // namespace

std::string BackendChooser::gnomeExtensionNotice(GnomePlatform::ExtensionState state) {
    using State = GnomePlatform::ExtensionState;
    switch (state) {
    case State::OutOfDate:
        return "GNOME Shell reports extension quillbar@quillbar.org OUT OF DATE: it does not list "
               "this GNOME version; install the Quillbar made for it, or run gsettings set "
               "org.gnome.shell disable-extension-version-validation true, then log out and in";
    case State::Error:
        return "GNOME Shell reports extension quillbar@quillbar.org in ERROR: it failed to load; "
               "see gnome-extensions info quillbar@quillbar.org and the Shell's log "
               "(journalctl --user -b), then reinstall Quillbar and log out and in";
    default:
        return kGnomeExtensionMissing;
    }
}

std::vector<BackendChooser::Entry> BackendChooser::entries() {
    return {
        {"gnome",
         QT_TRANSLATE_NOOP("BackendChooser",
                           "GNOME Shell on Wayland and X11, with Quillbar's Shell extension"),
         probeGnome, createGnome},
        i3ipcEntry("sway",
                   QT_TRANSLATE_NOOP("BackendChooser",
                                     "sway (Wayland): workspaces per output, through SWAYSOCK"),
                   [] { return I3IpcPlatform::probeSway(); }),
        i3ipcEntry("i3",
                   QT_TRANSLATE_NOOP("BackendChooser",
                                     "i3 (X11): workspaces per output, through its IPC socket"),
                   [] { return i3MayRun() ? I3IpcPlatform::probeI3() : std::string(); }),
        {"kwin",
         QT_TRANSLATE_NOOP("BackendChooser",
                           "KDE Plasma (KWin) on Wayland and X11, over the session bus"),
         probeKWin, createKWin},
        {"ext-workspace",
         QT_TRANSLATE_NOOP("BackendChooser", "Wayland compositors with ext-workspace-v1 (labwc, "
                                             "sway 1.12, Hyprland, niri, COSMIC)"),
         probeExtWorkspace, createExtWorkspace},
        {"x11", QT_TRANSLATE_NOOP("BackendChooser", "X11 window managers with EWMH desktops"),
         probeX11, createX11},
    };
}

bool BackendChooser::isKnown(const std::vector<Entry>& table, const std::string& requested) {
    if (requested == kAuto) {
        return true;
    }
    for (const Entry& entry : table) {
        if (entry.name == requested) {
            return true;
        }
    }
    return false;
}

BackendChooser::Choice BackendChooser::choose(const std::vector<Entry>& table,
                                              const std::string& requested,
                                              const BackendServices& services) {
    std::vector<std::string> findings;
    std::vector<std::string> notices;
    for (const Entry& entry : table) {
        if (requested != kAuto && entry.name != requested) {
            continue;
        }
        const Probe probe = entry.probe();
        if (!probe.notice.empty()) {
            services.log.log(LogLevel::Default, probe.notice);
            notices.push_back(probe.notice);
        }
        if (!probe.available) {
            findings.push_back(entry.name + ": " + probe.found);
            continue;
        }
        if (std::unique_ptr<Backend> backend = entry.create(services)) {
            services.log.log(LogLevel::Default,
                             "Backend " + entry.name + " chosen: " + probe.found);
            return {entry.name, std::move(backend), {}, std::move(notices)};
        }
        findings.push_back(entry.name + ": " + probe.found + " does not answer");
    }
    return {{}, nullptr, explanation(table, requested, findings), std::move(notices)};
}

std::string BackendChooser::explainUnavailable(const std::vector<Entry>& table,
                                               const std::string& requested) {
    std::vector<std::string> findings;
    for (const Entry& entry : table) {
        if (requested == kAuto || entry.name == requested) {
            findings.push_back(entry.name + ": " + entry.probe().found);
        }
    }
    return explanation(table, requested, findings);
}

std::string BackendChooser::explanation(const std::vector<Entry>& table,
                                        const std::string& requested,
                                        const std::vector<std::string>& findings) {
    if (requested != kAuto) {
        // Asked for by name: that one is what the user wants to hear about.
        std::string text =
            "The " + requested + " backend (--backend " + requested + ") cannot run here: ";
        for (std::size_t i = 0; i < findings.size(); ++i) {
            text += (i == 0 ? "" : "; ") + findings[i];
        }
        return text + ". Without --backend, Quillbar picks the one that fits.";
    }
    std::string text = "No supported desktop found. Quillbar supports: ";
    for (std::size_t i = 0; i < table.size(); ++i) {
        text += (i == 0 ? "" : "; ") + table[i].description + " (" + table[i].name + ")";
    }
    text += ". Found: ";
    for (std::size_t i = 0; i < findings.size(); ++i) {
        text += (i == 0 ? "" : "; ") + findings[i];
    }
    return text + ".";
}

std::string BackendChooser::names(const std::vector<Entry>& table) {
    std::string text = kAuto;
    for (const Entry& entry : table) {
        text += ", " + entry.name;
    }
    return text;
}

std::string BackendChooser::helpText(const std::vector<Entry>& table) {
    std::string text =
        "\n" +
        translated(QT_TRANSLATE_NOOP("BackendChooser",
                                     "Backends (--backend; \"auto\" tries them in this order):")) +
        "\n";
    for (const Entry& entry : table) {
        text += "  " + entry.name +
                std::string(entry.name.size() < 14 ? 16 - entry.name.size() : 2, ' ') +
                translated(entry.description.c_str()) + "\n";
    }
    return text;
}

} // namespace quillbar
