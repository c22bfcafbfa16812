// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gnome/GnomeWorkspaces.h"

#include "platform/LogSink.h"
#include "platform/qt/BoundedBusCall.h"
#include "platform/qt/BusServiceFollower.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>

#include <algorithm>

namespace quillbar {

namespace {

QDBusMessage methodCall(const char* method) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(GnomeWorkspaces::kService), QString::fromLatin1(GnomeWorkspaces::kPath),
        QString::fromLatin1(GnomeWorkspaces::kInterface), QString::fromLatin1(method));
    // The service lives in the Shell; asking must never try to start one.
    call.setAutoStartService(false);
    return call;
}

} // namespace

GnomeWorkspaces::GnomeWorkspaces(QDBusConnection bus, LogSink& log, std::function<void()> onChange)
    : bus_(std::move(bus))
    , log_(log)
    , onChange_(std::move(onChange)) {
    // The extension takes the name when it is enabled (also after the Shell restarts) and
    // releases it when disabled.
    BusServiceFollower::follow(
        bus_, QString::fromLatin1(kService), this, [this] { forget(); }, [this] { arrived(); });
    bus_.connect(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                 QString::fromLatin1(kInterface), QStringLiteral("WorkspacesChanged"), this,
                 SLOT(onWorkspacesChanged(QDBusMessage)));
    read();
}

GnomeWorkspaces::~GnomeWorkspaces() = default;

void GnomeWorkspaces::read() {
    if (reading_) {
        readAgain_ = true;
        return;
    }
    reading_ = true;
    readAgain_ = false;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(methodCall("GetWorkspaces")), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, &GnomeWorkspaces::takeReply);
}

void GnomeWorkspaces::takeReply(QDBusPendingCallWatcher* call) {
    call->deleteLater();
    reading_ = false;
    const QDBusMessage reply = call->reply();
    std::optional<Workspaces> workspaces;
    if (reply.type() == QDBusMessage::ReplyMessage) {
        workspaces = readWorkspaces(reply.arguments());
    }
    if (workspaces) {
        take(std::move(*workspaces));
    } else {
        forget(); // away, or an answer in a shape we do not know: no workspaces meanwhile
    }
    if (readAgain_) {
        read();
    }
}

void GnomeWorkspaces::onWorkspacesChanged(const QDBusMessage& message) {
    // A reply on its way was sent after this signal (the bus keeps one sender's order), so taking
    // the signal first never goes back in time.
    if (auto workspaces = readWorkspaces(message.arguments())) {
        take(std::move(*workspaces));
        return;
    }
    read(); // a signal in a shape we do not know: ask instead
}

void GnomeWorkspaces::take(Workspaces workspaces) {
    GnomeWorkspaceTable next;
    next.setWorkspaces(std::move(workspaces.names), workspaces.active);
    if (table_.known() && next.names() == table_.names() && next.active() == table_.active()) {
        return;
    }
    table_ = std::move(next);
    onChange_();
}

void GnomeWorkspaces::arrived() {
    // A new owner may be a newer extension (the Shell restarted), or may refuse other names.
    ++owners_;
    takesNames_ = true;
    refusedRenames_.clear();
    read();
}

void GnomeWorkspaces::forget() {
    if (table_.known()) {
        table_.clear();
        onChange_();
    }
}

void GnomeWorkspaces::activate(std::uint32_t index) {
    QDBusMessage call = methodCall("Activate");
    call << index;
    // Success shows up as a WorkspacesChanged signal; an error means the list we acted on is
    // out of date.
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                if (done->isError()) {
                    read();
                }
            });
}

void GnomeWorkspaces::rename(std::uint32_t index, const std::string& name) {
    QDBusMessage call = methodCall("SetWorkspaceName");
    call << static_cast<int>(index) << QString::fromStdString(name);
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, index, owner = owners_](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                if (owner == owners_) { // else the answer is from a service that has since gone
                    takeRenameReply(index, done->reply());
                }
            });
}

void GnomeWorkspaces::takeRenameReply(std::uint32_t index, const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ErrorMessage) {
        refusedRenames_.erase(index);
        return;
    }
    const QString error = (reply.errorName() + QStringLiteral(": ") + reply.errorMessage())
                              .simplified()
                              .left(kMaxErrorLogged);
    if (QDBusError(reply).type() == QDBusError::UnknownMethod) {
        if (takesNames_) {
            takesNames_ = false;
            log_.log(LogLevel::Default, "GNOME Shell's Quillbar extension takes no names until "
                                        "GNOME Shell restarts: " +
                                            error.toStdString());
        }
        return;
    }
    if (refusedRenames_.insert(index).second) { // else said already; the core asks again later
        log_.log(LogLevel::Default, "GNOME Shell refused the name of workspace " +
                                        std::to_string(index + 1) + ": " + error.toStdString());
    }
}

bool GnomeWorkspaces::answers(const QDBusConnection& bus, std::chrono::milliseconds timeout) {
    const std::optional<QDBusMessage> reply =
        BoundedBusCall::answer(bus, methodCall("GetWorkspaces"), timeout);
    return reply && reply->type() == QDBusMessage::ReplyMessage &&
           readWorkspaces(reply->arguments()).has_value();
}

std::optional<GnomeWorkspaces::Workspaces>
GnomeWorkspaces::readWorkspaces(const QList<QVariant>& arguments) {
    if (arguments.size() != 2 || arguments[0].metaType() != QMetaType::fromType<QStringList>() ||
        arguments[1].metaType() != QMetaType::fromType<uint>()) {
        return std::nullopt;
    }
    const QStringList names = arguments[0].toStringList();
    Workspaces workspaces;
    const auto kept = std::min<qsizetype>(names.size(), GnomeWorkspaceTable::kMaxWorkspaces);
    workspaces.names.reserve(static_cast<std::size_t>(kept));
    for (qsizetype i = 0; i < kept; ++i) {
        workspaces.names.push_back(names[i].toStdString());
    }
    workspaces.active = arguments[1].toUInt();
    return workspaces;
}

} // namespace quillbar
