// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kwin/KWinVirtualDesktops.h"

#include "platform/LogSink.h"
#include "platform/qt/BoundedBusCall.h"
#include "platform/qt/BusServiceFollower.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QVariantMap>

#include <algorithm>

namespace quillbar {

namespace {

const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

QDBusMessage managerCall(const QString& interface, const QString& method) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(KWinVirtualDesktops::kService),
        QString::fromLatin1(KWinVirtualDesktops::kPath), interface, method);
    // Asking must never start a KWin of its own.
    call.setAutoStartService(false);
    return call;
}

QDBusMessage propertiesCall(const QString& method) {
    return managerCall(kProperties, method);
}

std::optional<QString> textOf(const QVariant& value) {
    if (value.metaType() != QMetaType::fromType<QString>()) {
        return std::nullopt;
    }
    return value.toString();
}

} // namespace

KWinVirtualDesktops::KWinVirtualDesktops(QDBusConnection bus, LogSink& log,
                                         std::function<void()> onChange)
    : bus_(std::move(bus))
    , log_(log)
    , onChange_(std::move(onChange)) {
    // Registration covers KWin starting after us and coming back after a crash; an owner change
    // covers `kwin --replace` handing the name over directly.
    BusServiceFollower::follow(
        bus_, QString::fromLatin1(kService), this, [this] { forget(); }, [this] { read(); });
    connectSignals();
    read();
}

KWinVirtualDesktops::~KWinVirtualDesktops() = default;

void KWinVirtualDesktops::connectSignals() {
    const QString service = QString::fromLatin1(kService);
    const QString path = QString::fromLatin1(kPath);
    const QString interface = QString::fromLatin1(kInterface);
    // A slot that takes only the message hears the signal whatever its arguments are.
    for (const char* name : {"desktopCreated", "desktopRemoved", "desktopDataChanged",
                             "countChanged", "rowsChanged"}) {
        bus_.connect(service, path, interface, QString::fromLatin1(name), this,
                     SLOT(onDesktopsChanged(QDBusMessage)));
    }
    bus_.connect(service, path, interface, QStringLiteral("currentChanged"), this,
                 SLOT(onCurrentChanged(QDBusMessage)));
}

void KWinVirtualDesktops::read() {
    if (reading_) {
        readAgain_ = true;
        return;
    }
    reading_ = true;
    readAgain_ = false;
    QDBusMessage call = propertiesCall(QStringLiteral("GetAll"));
    call << QString::fromLatin1(kInterface);
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, &KWinVirtualDesktops::takeReply);
}

void KWinVirtualDesktops::takeReply(QDBusPendingCallWatcher* call) {
    call->deleteLater();
    reading_ = false;
    const QDBusPendingReply<QVariantMap> reply = *call;
    std::optional<std::vector<KWinDesktopTable::Desktop>> desktops;
    std::optional<QString> current;
    if (!reply.isError()) {
        const QVariantMap properties = reply.value();
        desktops = readDesktops(properties.value(QStringLiteral("desktops")));
        current = textOf(properties.value(QStringLiteral("current")));
    }
    if (desktops && current) {
        table_.setDesktops(std::move(*desktops), current->toStdString());
        onChange_();
    } else {
        forget(); // KWin is away, or answers in a shape we do not know: no desktops meanwhile
    }
    if (readAgain_) {
        read();
    }
}

void KWinVirtualDesktops::onDesktopsChanged(const QDBusMessage&) {
    read();
}

void KWinVirtualDesktops::onCurrentChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    const auto current = arguments.isEmpty() ? std::nullopt : textOf(arguments.first());
    if (current && table_.known() && table_.setCurrent(current->toStdString())) {
        onChange_();
        return;
    }
    read(); // a desktop we have not heard of yet
}

void KWinVirtualDesktops::forget() {
    if (table_.known()) {
        table_.clear();
        onChange_();
    }
}

void KWinVirtualDesktops::show(const std::string& id) {
    QDBusMessage call = propertiesCall(QStringLiteral("Set"));
    call << QString::fromLatin1(kInterface) << QStringLiteral("current")
         << QVariant::fromValue(QDBusVariant(QString::fromStdString(id)));
    // No one waits for the answer: the switch shows up as a currentChanged signal.
    bus_.asyncCall(call);
}

void KWinVirtualDesktops::rename(const std::string& id, const std::string& name) {
    QDBusMessage call =
        managerCall(QString::fromLatin1(kInterface), QStringLiteral("setDesktopName"));
    call << QString::fromStdString(id) << QString::fromStdString(name);
    // The new name shows up as a desktopDataChanged signal; only a refusal is looked at here.
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, id](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                takeRenameReply(id, done->reply());
            });
}

void KWinVirtualDesktops::takeRenameReply(const std::string& id, const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ErrorMessage) {
        refusedRenames_.erase(id);
        return;
    }
    if (refusedRenames_.size() >= KWinDesktopTable::kMaxDesktops) {
        // Only present desktops can be asked for again.
        const auto& present = table_.desktops();
        std::erase_if(refusedRenames_, [&present](const std::string& refused) {
            return std::none_of(present.begin(), present.end(),
                                [&refused](const auto& desktop) { return desktop.id == refused; });
        });
    }
    if (!refusedRenames_.insert(id).second) {
        return; // said once already: the core asks again on later refreshes
    }
    const QString error = (reply.errorName() + QStringLiteral(": ") + reply.errorMessage())
                              .simplified()
                              .left(kMaxErrorLogged);
    log_.log(LogLevel::Default,
             "KWin refused the name of desktop " + id + ": " + error.toStdString());
}

bool KWinVirtualDesktops::answers(const QDBusConnection& bus, std::chrono::milliseconds timeout) {
    QDBusMessage call = propertiesCall(QStringLiteral("Get"));
    call << QString::fromLatin1(kInterface) << QStringLiteral("current");
    const std::optional<QDBusMessage> reply = BoundedBusCall::answer(bus, call, timeout);
    return reply && reply->type() == QDBusMessage::ReplyMessage;
}

std::optional<std::vector<KWinDesktopTable::Desktop>>
KWinVirtualDesktops::readDesktops(const QVariant& value) {
    if (value.metaType() != QMetaType::fromType<QDBusArgument>()) {
        return std::nullopt;
    }
    const auto argument = value.value<QDBusArgument>();
    // KWin declares the position signed but sends it unsigned; take either.
    const QString signature = argument.currentSignature();
    const bool isUnsigned = signature == QLatin1String("a(uss)");
    if (!isUnsigned && signature != QLatin1String("a(iss)")) {
        return std::nullopt;
    }
    std::vector<KWinDesktopTable::Desktop> desktops;
    argument.beginArray();
    while (!argument.atEnd() && desktops.size() < kMaxEntriesRead) {
        KWinDesktopTable::Desktop desktop;
        QString id;
        QString name;
        argument.beginStructure();
        if (isUnsigned) {
            uint position = 0;
            argument >> position;
            desktop.position = position;
        } else {
            int position = 0;
            argument >> position;
            desktop.position = position;
        }
        argument >> id >> name;
        argument.endStructure();
        desktop.id = id.toStdString();
        desktop.name = name.toStdString();
        desktops.push_back(std::move(desktop));
    }
    // Also after stopping early: it frees what beginArray() set up.
    argument.endArray();
    return desktops;
}

} // namespace quillbar
