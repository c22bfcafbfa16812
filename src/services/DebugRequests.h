// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace quillbar {

// Debug requests from outside the process, interface "org.quillbar.Quillbar.debug" on the session
// bus: methods "switchTo" (one text: the desktop number) and "settings" of the object kObjectPath,
// which the running instance answers under its application identifier, and broadcast signals of
// the same names. Requests are handed on under the names of the distributed notifications, merged:
// whatever arrives while a delivery waits joins it (the latest desktop, then settings once), and
// deliveries are at least a spacing apart, so a flood of requests costs a few refreshes and no
// memory.
class DebugRequests : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quillbar.Quillbar.debug")
public:
    using Post =
        std::function<void(const std::string& name, const std::optional<std::string>& object)>;
    // Why a switch to the desktop (a desktop number) cannot be made now, or an empty text.
    using SwitchCheck = std::function<QString(const QString& desktop)>;

    // What a client's request came to.
    enum class Outcome { Delivered, NotRunning, Refused };
    struct Reply {
        Outcome outcome = Outcome::NotRunning;
        QString message; // why, when not delivered
    };

    static constexpr const char* kInterface = "org.quillbar.Quillbar.debug";
    static constexpr const char* kPath = "/org/quillbar/Quillbar";             // the signals
    static constexpr const char* kObjectPath = "/org/quillbar/Quillbar/debug"; // the methods
    static constexpr std::chrono::milliseconds kSpacing{250};
    // How long a client waits for an instance that is still starting.
    static constexpr std::chrono::milliseconds kStartupWait{5000};

    // Listens on bus and serves the methods there (skipped when it is not connected); bus must
    // outlive it. post runs for every delivery, with the notification name and, for a switch, the
    // desktop number. The switchTo method answers check's reason as an error and delivers
    // nothing then.
    DebugRequests(QDBusConnection bus, Post post, SwitchCheck check = {},
                  std::chrono::milliseconds spacing = kSpacing, QObject* parent = nullptr);
    ~DebugRequests() override;

    // Whether text names a desktop: an optional "+" and decimal digits, from 1 to 2^31 - 1.
    static bool isDesktopNumber(const QString& text);
    // Asks the instance that holds service to switch to desktop, waiting up to startupWait for an
    // instance that is still starting.
    static Reply switchTo(QDBusConnection bus, const QString& service, const QString& desktop,
                          std::chrono::milliseconds startupWait = kStartupWait);
    // Asks the instance that holds service to show the rename window, waiting as above.
    static Reply settings(QDBusConnection bus, const QString& service,
                          std::chrono::milliseconds startupWait = kStartupWait);

    // Whether requests wait for their delivery.
    bool isPending() const { return settingsPending_ || switchPending_; }
    // Delivers the waiting requests now (the spacing timer does so by itself).
    void deliverPending();

public slots:
    // The bus methods, and what they do: a desktop that is not a number, or that check refuses,
    // is answered with an error on the bus and ignored.
    Q_SCRIPTABLE void switchTo(const QString& desktop);
    Q_SCRIPTABLE void settings();

private slots:
    // The broadcast signals: only text that names a desktop counts.
    void switchToHeard(const QString& desktop);
    void settingsHeard();

private:
    void schedule();
    static Reply call(QDBusConnection bus, const QString& service, QDBusMessage message,
                      std::chrono::milliseconds startupWait);

    Post post_;
    SwitchCheck check_;
    std::chrono::milliseconds spacing_;
    std::optional<std::string> switchPending_; // the latest desktop asked for
    bool settingsPending_ = false;
    QTimer timer_;
    QElapsedTimer sinceDelivery_;
    QDBusConnection bus_;
    bool served_ = false;
};

} // namespace quillbar
