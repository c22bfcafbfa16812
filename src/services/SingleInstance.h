// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Backoff.h"

#include <QDBusConnection>
#include <QDBusPendingReply>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>

class QDBusPendingCallWatcher;

namespace quillbar {

// Newest wins: every instance takes the application identifier as a well-known name on the session
// bus, replacing the holder and letting a later instance replace it in turn. The instance that
// loses the name asks who took it: another Quillbar (the same program) makes it quit (replaced());
// anything else is reported (lost()) and the name asked for again with growing pauses, as when
// something else holds it at start-up (held()). The one that took it can wait until the instance it
// replaced has left the bus (and so has saved its last change and quit). Nothing here waits for
// the bus: every call is answered on the event loop, within kCallTimeout.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // How long a call to the bus may take before it counts as unanswered.
    static constexpr std::chrono::milliseconds kCallTimeout{25000};
    // The pauses before the name is asked for again: the first, doubled up to the longest; back to
    // the first only once the name was held for the longest.
    static constexpr std::chrono::milliseconds kFirstRetry{1000};
    static constexpr std::chrono::milliseconds kLongestRetry{60000};

    // The rule for the identifier name on bus.
    SingleInstance(QDBusConnection bus, QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Asks for the name; claimed(), held() or unavailable() follows on the event loop.
    void claim();
    // Whether this instance holds the name (as far as the bus has told it; no call).
    bool holdsName() const { return claimed_ && bus_.isConnected(); }
    // Whether another instance held the name when this one took it.
    bool replacedAnother() const { return !previous_.isEmpty(); }
    // Emits previousGone() once: when the instance that held the name before claim() has left the
    // bus, on the next turn of the event loop when there was none, or after limit at the latest.
    void awaitPrevious(std::chrono::milliseconds limit);
    // Whether the program at exe (a /proc/PID/exe target) is this program, by its file name; an
    // upgraded program's "(deleted)" mark is ignored.
    static bool isSameProgram(const QString& exe, const QString& ownExe);

signals:
    // This instance holds the name now (at once, or after a retry).
    void claimed();
    // Something that is not a Quillbar holds the name and keeps it; the name is asked for again.
    void held(const QString& holder);
    // No bus, or the bus did not answer: there is no rule.
    void unavailable();
    // Another Quillbar took the name: this one should quit.
    void replaced(const QString& taker);
    // Something else took the name; it is asked for again.
    void lost(const QString& taker);
    // The previous holder has left the bus (true), or the wait for it ran out (false).
    void previousGone(bool left);

private slots:
    void nameLost(const QString& name);

private:
    using Described = std::function<void(const QString& description, bool quillbar)>;
    // Answers with what owner (a unique name) is: its program and process, and whether it is this
    // program.
    void describe(const QString& owner, Described done);
    // Describes the name's present owner.
    void describeOwner(Described done);
    void requestAnswered(const QDBusPendingReply<uint>& reply, const QString& owner);
    void retryLater();
    void finishWait(bool left);
    QDBusPendingCallWatcher* callDriver(const QString& method, const QVariantList& arguments);

    QDBusConnection bus_;
    QString name_;
    bool claimed_ = false;
    bool listening_ = false;
    // A request is out; the bus may take the name from us again before its answer is handled.
    bool requesting_ = false;
    bool lostWhileRequesting_ = false;
    // The unique bus name of the instance that held the name when this one claimed it.
    QString previous_;
    QTimer retry_;
    Backoff retryPause_{kFirstRetry, kLongestRetry};
    QElapsedTimer heldSince_;
    QTimer waitLimit_;
    bool waiting_ = false;
};

} // namespace quillbar
