// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/TopBarButtonWatcher.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace quillbar {

namespace {

const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
// An answer that takes longer than this counts as no button: the tray item is better than none.
constexpr int kReplyTimeoutMs = 2000;

} // namespace

TopBarButtonWatcher::TopBarButtonWatcher(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , bus_(std::move(bus)) {
    if (!bus_.isConnected()) {
        shown_ = false;
        return;
    }
    watcher_ = new QDBusServiceWatcher(QString::fromLatin1(kService), bus_,
                                       QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                if (newOwner.isEmpty()) {
                    ++generation_; // a read on its way answers for the service that left
                    settle(false);
                } else {
                    read();
                }
            });
    bus_.connect(QString::fromLatin1(kService), QString::fromLatin1(kPath), kProperties,
                 QStringLiteral("PropertiesChanged"), this,
                 SLOT(onPropertiesChanged(QDBusMessage)));
    read();
}

TopBarButtonWatcher::~TopBarButtonWatcher() = default;

void TopBarButtonWatcher::read() {
    // A flood of change signals costs one call per answer, not one per signal.
    if (inFlight_) {
        readAgain_ = true;
        return;
    }
    inFlight_ = true;
    readAgain_ = false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                       kProperties, QStringLiteral("Get"));
    call << QString::fromLatin1(kInterface) << QString::fromLatin1(kProperty);
    call.setAutoStartService(false);
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call, kReplyTimeoutMs), this);
    pending->setProperty("generation", ++generation_);
    connect(pending, &QDBusPendingCallWatcher::finished, this, &TopBarButtonWatcher::takeReply);
}

void TopBarButtonWatcher::takeReply(QDBusPendingCallWatcher* call) {
    call->deleteLater();
    inFlight_ = false;
    if (call->property("generation").toInt() == generation_) {
        settle(answer(call->reply()));
    }
    if (readAgain_) {
        read(); // a change came meanwhile: the newest answer wins
    }
}

bool TopBarButtonWatcher::answer(const QDBusMessage& reply) {
    bool shown = false;
    if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
        const QVariant value = reply.arguments().first().value<QDBusVariant>().variant();
        // Only a boolean true counts: anything else leaves the tray item where it is.
        shown = value.metaType() == QMetaType::fromType<bool>() && value.toBool();
    }
    return shown;
}

void TopBarButtonWatcher::onPropertiesChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (!arguments.isEmpty() && arguments.first().toString() == QLatin1String(kInterface)) {
        read();
    }
}

void TopBarButtonWatcher::settle(bool shown) {
    if (shown_ == shown) {
        return;
    }
    shown_ = shown;
    emit buttonShownChanged(shown);
}

} // namespace quillbar
