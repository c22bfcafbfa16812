// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/SessionEvents.h"

#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <unistd.h>

#include <utility>

namespace quillbar {

namespace {

const QString login1Service = QStringLiteral("org.freedesktop.login1");
const QString login1Path = QStringLiteral("/org/freedesktop/login1");
const QString login1Manager = QStringLiteral("org.freedesktop.login1.Manager");
const QString login1Session = QStringLiteral("org.freedesktop.login1.Session");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// Screen savers that announce their state on the session bus.
const QStringList screenSaverInterfaces = {
    QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("org.gnome.ScreenSaver"),
    QStringLiteral("org.mate.ScreenSaver"), QStringLiteral("org.cinnamon.ScreenSaver")};

} // namespace

SessionEvents::SessionEvents(QDBusConnection systemBus, QDBusConnection sessionBus, Post post,
                             QString sessionPath, QObject* parent)
    : QObject(parent)
    , systemBus_(std::move(systemBus))
    , sessionBus_(std::move(sessionBus))
    , post_(std::move(post)) {
    if (systemBus_.isConnected()) {
        systemBus_.connect(login1Service, login1Path, login1Manager,
                           QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
        if (sessionPath.isEmpty()) {
            askForSession();
        } else {
            followSession(sessionPath);
        }
    }
    if (sessionBus_.isConnected()) {
        // Any sender and any path: each screen saver picks its own.
        for (const QString& interface : screenSaverInterfaces) {
            sessionBus_.connect(QString(), QString(), interface, QStringLiteral("ActiveChanged"),
                                this, SLOT(screenSaverActiveChanged(bool)));
        }
    }
}

void SessionEvents::askForSession() {
    QDBusMessage call = QDBusMessage::createMethodCall(login1Service, login1Path, login1Manager,
                                                       QStringLiteral("GetSessionByPID"));
    call << static_cast<uint>(::getpid());
    auto* watcher = new QDBusPendingCallWatcher(systemBus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<QDBusObjectPath> reply = *finished;
                finished->deleteLater();
                // Not in a logind session (a demo desktop, a container): nothing to follow.
                if (reply.isValid()) {
                    followSession(reply.value().path());
                }
            });
}

void SessionEvents::followSession(const QString& path) {
    sessionPath_ = path;
    systemBus_.connect(login1Service, path, propertiesInterface,
                       QStringLiteral("PropertiesChanged"), this,
                       SLOT(sessionPropertiesChanged(QDBusMessage)));
    emit sessionFollowed();
}

void SessionEvents::prepareForSleep(bool starting) {
    if (!starting) {
        post_(NotificationCenter::kDidWake);
    }
}

void SessionEvents::screenSaverActiveChanged(bool active) {
    if (!active) {
        post_(NotificationCenter::kScreensDidWake);
    }
}

void SessionEvents::sessionPropertiesChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || arguments.at(0).toString() != login1Session) {
        return;
    }
    const QVariantMap changed = qdbus_cast<QVariantMap>(arguments.at(1));
    const auto active = changed.constFind(QStringLiteral("Active"));
    if (active != changed.constEnd() && active->toBool()) {
        post_(NotificationCenter::kSessionDidBecomeActive);
    }
}

} // namespace quillbar
