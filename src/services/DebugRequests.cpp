// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/DebugRequests.h"

#include "platform/qt/BoundedBusCall.h"

#include "platform/NotificationCenter.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusServiceWatcher>
#include <QEventLoop>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace quillbar {

namespace {

// How long a client waits for the instance's answer once it runs.
constexpr std::chrono::milliseconds kAnswerTimeout{5000};
// How often a client looks again for an instance that has the name but not yet the object.
constexpr std::chrono::milliseconds kRetryPause{100};

// The most of a text from the bus read as a desktop: a number has at most 19 characters, and the
// error answer quotes 40.
constexpr std::size_t kMaxDesktopBytes = 160;

// The desktop a text from the bus names, or nullopt (with what is quoted in the error answer).
std::optional<QString> desktopIn(const char* text, QString* quoted) {
    const std::size_t length = ::strnlen(text, kMaxDesktopBytes + 1);
    const QString desktop =
        QString::fromUtf8(text, static_cast<qsizetype>(std::min(length, kMaxDesktopBytes)));
    if (length <= kMaxDesktopBytes && DebugRequests::isDesktopNumber(desktop)) {
        return desktop;
    }
    if (quoted != nullptr) {
        *quoted = desktop.left(40);
    }
    return std::nullopt;
}

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

DebugRequests::DebugRequests(BusConnection& bus, Post post, SwitchCheck check,
                             std::chrono::milliseconds spacing, QObject* parent)
    : QObject(parent)
    , post_(std::move(post))
    , check_(std::move(check))
    , spacing_(spacing) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &DebugRequests::deliverPending);
    if (!bus.isConnected()) {
        return;
    }
    sd_bus_slot* slot = nullptr;
    if (sd_bus_add_object_vtable(bus.bus(), &slot, kObjectPath, kInterface, vtable(), this) >= 0) {
        object_.reset(slot);
    }
    // The broadcast signals, from any sender on any path.
    if (sd_bus_match_signal_async(bus.bus(), &slot, nullptr, nullptr, kInterface, "switchTo",
                                  switchToHeard, nullptr, this) >= 0) {
        switchToMatch_.reset(slot);
    }
    if (sd_bus_match_signal_async(bus.bus(), &slot, nullptr, nullptr, kInterface, "settings",
                                  settingsHeard, nullptr, this) >= 0) {
        settingsMatch_.reset(slot);
    }
    bus.sent();
}

DebugRequests::~DebugRequests() = default;

const sd_bus_vtable* DebugRequests::vtable() {
    static const sd_bus_vtable table[] = {
        SD_BUS_VTABLE_START(SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD_WITH_NAMES("switchTo", "s", SD_BUS_PARAM(desktop), "", "", switchToCalled, 0),
        SD_BUS_METHOD("settings", "", "", settingsCalled, 0),
        SD_BUS_VTABLE_END,
    };
    return table;
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
        return;
    }
    switchPending_ = desktop.toStdString();
    schedule();
}

void DebugRequests::settings() {
    settingsPending_ = true;
    schedule();
}

int DebugRequests::switchToCalled(sd_bus_message* call, void* userdata, sd_bus_error*) {
    const char* text = nullptr;
    // sd-bus has checked the signature already.
    if (const int read = sd_bus_message_read(call, "s", &text); read < 0) {
        return read;
    }
    QString quoted;
    const std::optional<QString> desktop = desktopIn(text, &quoted);
    if (!desktop) {
        return sd_bus_reply_method_errorf(
            call, SD_BUS_ERROR_INVALID_ARGS, "%s",
            QStringLiteral("'%1' is not a desktop number").arg(quoted).toUtf8().constData());
    }
    auto* self = static_cast<DebugRequests*>(userdata);
    if (const QString refused = self->check_ ? self->check_(*desktop) : QString();
        !refused.isEmpty()) {
        return sd_bus_reply_method_errorf(call, SD_BUS_ERROR_FAILED, "%s",
                                          refused.toUtf8().constData());
    }
    self->switchTo(*desktop);
    return sd_bus_reply_method_return(call, "");
}

int DebugRequests::settingsCalled(sd_bus_message* call, void* userdata, sd_bus_error*) {
    static_cast<DebugRequests*>(userdata)->settings();
    return sd_bus_reply_method_return(call, "");
}

int DebugRequests::switchToHeard(sd_bus_message* signal, void* userdata, sd_bus_error*) {
    const char* text = nullptr;
    // Only text that names a desktop counts; anything else is dropped here.
    if (sd_bus_message_read(signal, "s", &text) > 0) {
        if (const std::optional<QString> desktop = desktopIn(text, nullptr)) {
            static_cast<DebugRequests*>(userdata)->switchTo(*desktop);
        }
    }
    return 0;
}

int DebugRequests::settingsHeard(sd_bus_message*, void* userdata, sd_bus_error*) {
    static_cast<DebugRequests*>(userdata)->settings();
    return 0;
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
