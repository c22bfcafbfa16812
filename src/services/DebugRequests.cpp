// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/DebugRequests.h"

#include "platform/qt/BoundedBusCall.h"

#include "platform/NotificationCenter.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusServiceWatcher>
#include <QEventLoop>

#include <algorithm>
#include <limits>
#include <utility>

namespace quillbar {

namespace {

// How long a client waits for the instance's answer once it runs.
constexpr std::chrono::milliseconds kAnswerTimeout{5000};
// How often a client looks again for an instance that has the name but not yet the object.
constexpr std::chrono::milliseconds kRetryPause{100};

// What an error answer quotes of a text that is not a desktop number.
constexpr qsizetype kQuotedLength = 40;

// Errors that mean "no instance serves requests yet", not "the instance said no".
bool notServingYet(const QDBusMessage& reply) {
    switch (QDBusError(reply).type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::UnknownObject:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownMethod:
        return true;
    default:
        return false;
    }
}

} // namespace

DebugRequests::DebugRequests(QDBusConnection bus, Post post, SwitchCheck check,
                             std::chrono::milliseconds spacing, QObject* parent)
    : QObject(parent)
    , post_(std::move(post))
    , check_(std::move(check))
    , spacing_(spacing)
    , bus_(std::move(bus)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &DebugRequests::deliverPending);
    if (!bus_.isConnected()) {
        return;
    }
    served_ = bus_.registerObject(QString::fromLatin1(kObjectPath), this,
                                  QDBusConnection::ExportScriptableSlots);
    // The broadcast signals, from any sender on any path; one of another signature is not heard.
    const QString interface = QString::fromLatin1(kInterface);
    bus_.connect({}, {}, interface, QStringLiteral("switchTo"), this, SLOT(switchToHeard(QString)));
    bus_.connect({}, {}, interface, QStringLiteral("settings"), this, SLOT(settingsHeard()));
}

DebugRequests::~DebugRequests() {
    if (!bus_.isConnected()) {
        return;
    }
    const QString interface = QString::fromLatin1(kInterface);
    bus_.disconnect({}, {}, interface, QStringLiteral("switchTo"), this,
                    SLOT(switchToHeard(QString)));
    bus_.disconnect({}, {}, interface, QStringLiteral("settings"), this, SLOT(settingsHeard()));
    if (served_) {
        bus_.unregisterObject(QString::fromLatin1(kObjectPath));
    }
}

bool DebugRequests::isDesktopNumber(const QString& text) {
    const QStringView digits = text.startsWith(u'+') ? QStringView(text).mid(1) : QStringView(text);
    if (digits.isEmpty() || digits.size() > 18 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        return false;
    }
    const qlonglong number = digits.toLongLong();
    return number >= 1 && number <= std::numeric_limits<std::int32_t>::max();
}

DebugRequests::Reply DebugRequests::switchTo(QDBusConnection bus, const QString& service,
                                             const QString& desktop,
                                             std::chrono::milliseconds startupWait) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(service, QString::fromLatin1(kObjectPath),
                                       QString::fromLatin1(kInterface), QStringLiteral("switchTo"));
    message << desktop;
    return call(std::move(bus), service, message, startupWait);
}

DebugRequests::Reply DebugRequests::settings(QDBusConnection bus, const QString& service,
                                             std::chrono::milliseconds startupWait) {
    return call(std::move(bus), service,
                QDBusMessage::createMethodCall(service, QString::fromLatin1(kObjectPath),
                                               QString::fromLatin1(kInterface),
                                               QStringLiteral("settings")),
                startupWait);
}

// The bus's own reply timeout has been seen never to fire: a blocking call could then wait for
// good. The call is made asynchronously and given up on at our own deadline.
DebugRequests::Reply DebugRequests::call(QDBusConnection bus, const QString& service,
                                         QDBusMessage message,
                                         std::chrono::milliseconds startupWait) {
    if (!bus.isConnected()) {
        return {Outcome::NotRunning, QStringLiteral("no session bus")};
    }
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const std::optional<QDBusMessage> answer =
            BoundedBusCall::answer(bus, message, kAnswerTimeout);
        if (!answer) {
            return {Outcome::NotRunning, QStringLiteral("Quillbar does not answer")};
        }
        const QDBusMessage& reply = *answer;
        if (reply.type() == QDBusMessage::ReplyMessage) {
            return {Outcome::Delivered, {}};
        }
        if (!notServingYet(reply)) {
            return {Outcome::Refused, reply.errorMessage()};
        }
        const auto left = startupWait - std::chrono::milliseconds(waited.elapsed());
        if (left.count() <= 0) {
            return {Outcome::NotRunning, QStringLiteral("Quillbar is not running")};
        }
        // An instance that is starting takes the name later: wait for that, or look again soon
        // when it has the name but does not serve requests yet.
        QEventLoop loop;
        QDBusServiceWatcher watcher(service, bus, QDBusServiceWatcher::WatchForRegistration);
        connect(&watcher, &QDBusServiceWatcher::serviceRegistered, &loop, &QEventLoop::quit);
        QTimer::singleShot(std::min(left, kRetryPause), &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void DebugRequests::switchTo(const QString& desktop) {
    if (!isDesktopNumber(desktop)) {
        if (calledFromDBus()) {
            sendErrorReply(
                QDBusError::InvalidArgs,
                QStringLiteral("'%1' is not a desktop number").arg(desktop.left(kQuotedLength)));
        }
        return;
    }
    if (const QString refused = check_ ? check_(desktop) : QString(); !refused.isEmpty()) {
        if (calledFromDBus()) {
            sendErrorReply(QDBusError::Failed, refused);
        }
        return;
    }
    switchPending_ = desktop.toStdString();
    schedule();
}

void DebugRequests::settings() {
    settingsPending_ = true;
    schedule();
}

void DebugRequests::switchToHeard(const QString& desktop) {
    if (isDesktopNumber(desktop)) {
        switchPending_ = desktop.toStdString();
        schedule();
    }
}

void DebugRequests::settingsHeard() {
    settings();
}

void DebugRequests::schedule() {
    if (timer_.isActive()) {
        return; // this request joins the waiting delivery
    }
    const auto since =
        sinceDelivery_.isValid() ? std::chrono::milliseconds(sinceDelivery_.elapsed()) : spacing_;
    timer_.start(std::max(std::chrono::milliseconds(0), spacing_ - since));
}

void DebugRequests::deliverPending() {
    timer_.stop();
    sinceDelivery_.start();
    // The switch first, so that a rename window asked for with it opens on the new desktop.
    if (auto desktop = std::exchange(switchPending_, std::nullopt)) {
        post_(NotificationCenter::kDebugSwitchTo, desktop);
    }
    if (std::exchange(settingsPending_, false)) {
        post_(NotificationCenter::kDebugSettings, std::nullopt);
    }
}

} // namespace quillbar
