// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <functional>
#include <string>

namespace quillbar {

// Turns the session's D-Bus signals into workspace notifications: the end of a sleep
// (logind PrepareForSleep(false)) posts "DidWake", a screen saver going inactive posts
// "ScreensDidWake", and this login session becoming active posts "SessionDidBecomeActive".
// A bus that is not there is skipped without a word.
class SessionEvents : public QObject {
    Q_OBJECT
public:
    using Post = std::function<void(const std::string& name)>;

    // Listens on systemBus for logind and on sessionBus for the screen saver; post runs on the
    // main thread for every event. sessionPath names this process's logind session; when empty it
    // is asked of logind.
    SessionEvents(QDBusConnection systemBus, QDBusConnection sessionBus, Post post,
                  QString sessionPath = {}, QObject* parent = nullptr);

    // The logind session object whose activation is followed, once known.
    QString sessionPath() const { return sessionPath_; }

signals:
    // Emitted once the logind session is known and followed.
    void sessionFollowed();

private slots:
    void prepareForSleep(bool starting);
    void screenSaverActiveChanged(bool active);
    void sessionPropertiesChanged(const QDBusMessage& message);

private:
    void followSession(const QString& path);
    void askForSession();

    QDBusConnection systemBus_;
    QDBusConnection sessionBus_;
    Post post_;
    QString sessionPath_;
};

} // namespace quillbar
