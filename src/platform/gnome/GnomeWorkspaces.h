// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/gnome/GnomeWorkspaceTable.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QVariant>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QDBusMessage;
class QDBusPendingCallWatcher;

namespace quillbar {

class LogSink;

// The workspace service of Quillbar's GNOME Shell extension on the session bus: reads the
// workspaces, follows its change signal and the service going away and coming back, and activates
// and renames workspaces. Every call is asynchronous; the answers land in a GnomeWorkspaceTable.
// Lives on the thread of the Qt event loop.
class GnomeWorkspaces final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.quillbar.Shell";
    static constexpr const char* kPath = "/org/quillbar/Shell";
    static constexpr const char* kInterface = "org.quillbar.Shell.Workspaces";
    // Error text from the service is cut to this many characters before it is logged.
    static constexpr qsizetype kMaxErrorLogged = 300;

    // What the service says: the names in order (at most kMaxWorkspaces of them are kept) and the
    // active index.
    struct Workspaces {
        std::vector<std::string> names;
        std::uint32_t active = 0;
    };

    // Starts following the service on the bus; onChange runs on the main thread after every
    // change of the workspaces or the active one (also when the service goes or returns).
    // Refusals go to log.
    GnomeWorkspaces(QDBusConnection bus, LogSink& log, std::function<void()> onChange);
    ~GnomeWorkspaces() override;

    // What the service said last; empty (not known) while it is away.
    const GnomeWorkspaceTable& table() const { return table_; }
    // Asks the service to activate the workspace at index; returns at once. An error answer (the
    // workspace is gone) makes it read the workspaces again.
    void activate(std::uint32_t index);
    // Asks the service to give the workspace at index that name of its own (GNOME's setting
    // "workspace-names"); returns at once. The new name comes with WorkspacesChanged; an error
    // answer is logged once per workspace until a name is taken for it again.
    void rename(std::uint32_t index, const std::string& name);
    // False once the service answered that it has no such method (an extension older than this
    // program, still running until the Shell restarts), until the service's owner changes.
    bool takesNames() const { return takesNames_; }

    // Whether the service answers GetWorkspaces on the bus within timeout (waits that long at
    // most, running a local event loop).
    static bool answers(const QDBusConnection& bus, std::chrono::milliseconds timeout);
    // The workspaces in GetWorkspaces' answer or WorkspacesChanged's arguments: exactly a list of
    // texts and an unsigned number; nullopt for any other shape.
    static std::optional<Workspaces> readWorkspaces(const QList<QVariant>& arguments);

private slots:
    // The signal carries the whole state; anything else in it is no answer: read it instead.
    void onWorkspacesChanged(const QDBusMessage& message);

private:
    void read();
    void takeReply(QDBusPendingCallWatcher* call);
    void take(Workspaces workspaces);
    void forget();
    void arrived();
    void takeRenameReply(std::uint32_t index, const QDBusMessage& reply);

    QDBusConnection bus_;
    LogSink& log_;
    std::function<void()> onChange_;
    GnomeWorkspaceTable table_;
    bool reading_ = false;   // a read is in flight
    bool readAgain_ = false; // something changed while it was
    bool takesNames_ = true;
    std::uint64_t owners_ = 0;               // owners the service has had, for stale answers
    std::set<std::uint32_t> refusedRenames_; // workspaces whose refusal is logged
};

} // namespace quillbar
