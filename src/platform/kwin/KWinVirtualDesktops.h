// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/kwin/KWinDesktopTable.h"

#include <QDBusConnection>
#include <QObject>

#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QDBusArgument;
class QDBusMessage;
class QDBusPendingCallWatcher;
class QVariant;

namespace quillbar {

class LogSink;

// KWin's virtual desktops over the session bus: reads them, follows KWin's change signals and KWin
// itself going away and coming back, and switches and renames desktops. Every call to KWin is
// asynchronous; the answers land in a KWinDesktopTable. Lives on the thread of the Qt event loop.
class KWinVirtualDesktops final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.kde.KWin";
    static constexpr const char* kPath = "/VirtualDesktopManager";
    static constexpr const char* kInterface = "org.kde.KWin.VirtualDesktopManager";
    // KWin sends at most this many desktops' worth of entries to be looked at.
    static constexpr std::size_t kMaxEntriesRead = 4 * KWinDesktopTable::kMaxDesktops;

    // Error text from KWin is cut to this many characters before it is logged.
    static constexpr qsizetype kMaxErrorLogged = 300;

    // Starts following KWin on the bus; onChange runs on the main thread after every change of
    // the desktops or the current one (also when KWin goes or returns). Refusals go to log.
    KWinVirtualDesktops(QDBusConnection bus, LogSink& log, std::function<void()> onChange);
    ~KWinVirtualDesktops() override;

    // What KWin said last; empty (not known) while KWin is away.
    const KWinDesktopTable& table() const { return table_; }
    // Asks KWin to show the desktop with that id; returns at once.
    void show(const std::string& id);
    // Asks KWin to give the desktop with that id the name; returns at once. KWin's answer comes
    // as a desktopDataChanged signal; an error answer is logged once per desktop until a name is
    // taken for it again.
    void rename(const std::string& id, const std::string& name);

    // Whether KWin's desktop manager answers on the bus within timeout (waits that long at most,
    // running a local event loop).
    static bool answers(const QDBusConnection& bus, std::chrono::milliseconds timeout);
    // The desktops in a "desktops" value as KWin sends it (an array of (position, id, name), the
    // position signed or not), at most kMaxEntriesRead of them; nullopt for any other shape.
    static std::optional<std::vector<KWinDesktopTable::Desktop>>
    readDesktops(const QVariant& value);

private slots:
    // A change signal that says what changed only in part: read everything again.
    void onDesktopsChanged(const QDBusMessage& message);
    // The current desktop's id comes with the signal: no need to ask.
    void onCurrentChanged(const QDBusMessage& message);

private:
    void connectSignals();
    void read();
    void takeReply(QDBusPendingCallWatcher* call);
    void forget();
    void takeRenameReply(const std::string& id, const QDBusMessage& reply);

    QDBusConnection bus_;
    LogSink& log_;
    std::function<void()> onChange_;
    KWinDesktopTable table_;
    bool reading_ = false;                 // a read is in flight
    bool readAgain_ = false;               // something changed while it was
    std::set<std::string> refusedRenames_; // desktops whose refusal is logged, at most a table's
};

} // namespace quillbar
