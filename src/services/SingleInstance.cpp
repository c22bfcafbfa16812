// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/SingleInstance.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

namespace quillbar {

namespace {

const QString kDriver = QStringLiteral("org.freedesktop.DBus");
const QString kDriverPath = QStringLiteral("/org/freedesktop/DBus");
// RequestName: let a later instance replace us (1), replace the holder (2), and never wait in the
// name's queue (4), so that a replaced instance loses the name for good.
constexpr uint kNameFlags = 1 | 2 | 4;
constexpr uint kPrimaryOwner = 1;
constexpr uint kAlreadyOwner = 4;

QString withoutDeletedMark(QString exe) {
    if (exe.endsWith(QLatin1String(" (deleted)"))) {
        exe.chop(10);
    }
    return exe;
}

} // namespace

SingleInstance::SingleInstance(QDBusConnection bus, QString name, QObject* parent)
    : QObject(parent)
    , bus_(std::move(bus))
    , name_(std::move(name)) {
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &SingleInstance::claim);
    waitLimit_.setSingleShot(true);
    connect(&waitLimit_, &QTimer::timeout, this, [this] { finishWait(false); });
}

SingleInstance::~SingleInstance() {
    if (listening_) {
        bus_.disconnect(kDriver, kDriverPath, kDriver, QStringLiteral("NameLost"), this,
                        SLOT(nameLost(QString)));
    }
}

bool SingleInstance::isSameProgram(const QString& exe, const QString& ownExe) {
    const QString name = QFileInfo(withoutDeletedMark(exe)).fileName();
    return !name.isEmpty() && name == QFileInfo(withoutDeletedMark(ownExe)).fileName();
}

QDBusPendingCallWatcher* SingleInstance::callDriver(const QString& method,
                                                    const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(kDriver, kDriverPath, kDriver, method);
    message.setArguments(arguments);
    auto* call =
        new QDBusPendingCallWatcher(bus_.asyncCall(message, int(kCallTimeout.count())), this);
    connect(call, &QDBusPendingCallWatcher::finished, call, &QObject::deleteLater);
    return call;
}

void SingleInstance::claim() {
    if (!bus_.isConnected() || name_.isEmpty()) {
        QTimer::singleShot(0, this, &SingleInstance::unavailable);
        return;
    }
    // Listen first, so a newer instance that arrives right after us is not missed. (The bus sends
    // NameLost to the holder alone; the match hands it to us.)
    if (!listening_) {
        listening_ = bus_.connect(kDriver, kDriverPath, kDriver, QStringLiteral("NameLost"), this,
                                  SLOT(nameLost(QString)));
    }
    // The bus answers in order, so the owner it names is the one our request replaces. The two
    // answers (and a NameLost that follows them) can still reach this thread in any order: the
    // request is judged once both are in, and a loss heard meanwhile is handled after it.
    requesting_ = true;
    lostWhileRequesting_ = false;
    struct Answers {
        std::optional<QString> owner;
        std::optional<QDBusPendingReply<uint>> request;
    };
    auto answers = std::make_shared<Answers>();
    const auto judge = [this, answers] {
        if (answers->owner && answers->request) {
            requestAnswered(*answers->request, *answers->owner);
        }
    };
    connect(callDriver(QStringLiteral("GetNameOwner"), {name_}), &QDBusPendingCallWatcher::finished,
            this, [answers, judge](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<QString> reply = *call;
                // An error is the usual "nobody holds it".
                answers->owner = reply.isError() ? QString() : reply.value();
                judge();
            });
    connect(callDriver(QStringLiteral("RequestName"), {name_, kNameFlags}),
            &QDBusPendingCallWatcher::finished, this,
            [answers, judge](QDBusPendingCallWatcher* call) {
                answers->request = QDBusPendingReply<uint>(*call);
                judge();
            });
}

void SingleInstance::requestAnswered(const QDBusPendingReply<uint>& reply, const QString& owner) {
    requesting_ = false;
    if (reply.isError()) {
        emit unavailable();
        return;
    }
    if (reply.value() == kPrimaryOwner || reply.value() == kAlreadyOwner) {
        claimed_ = true;
        heldSince_.start();
        previous_ = owner == bus_.baseService() ? QString() : owner;
        emit claimed();
        if (std::exchange(lostWhileRequesting_, false)) {
            nameLost(name_);
        }
        return;
    }
    // The holder does not let go: it is not a Quillbar (every instance lets itself be replaced).
    describe(owner, [this](const QString& description, bool) {
        emit held(description);
        retryLater();
    });
}

void SingleInstance::retryLater() {
    retry_.start(retryPause_.next());
}

void SingleInstance::nameLost(const QString& name) {
    if (name != name_) {
        return;
    }
    if (!claimed_) {
        // Only a name granted to the request still out can be lost before we hold it.
        lostWhileRequesting_ = lostWhileRequesting_ || requesting_;
        return;
    }
    claimed_ = false;
    // A program that keeps taking the name back meets growing pauses; one that took it after a
    // long quiet hold is answered soon.
    if (heldSince_.hasExpired(kLongestRetry.count())) {
        retryPause_.reset();
    }
    describeOwner([this](const QString& description, bool quillbar) {
        if (quillbar) {
            emit replaced(description);
        } else {
            emit lost(description);
            retryLater();
        }
    });
}

void SingleInstance::describeOwner(Described done) {
    connect(callDriver(QStringLiteral("GetNameOwner"), {name_}), &QDBusPendingCallWatcher::finished,
            this, [this, done = std::move(done)](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<QString> reply = *call;
                describe(reply.isError() ? QString() : reply.value(), done);
            });
}

void SingleInstance::describe(const QString& owner, Described done) {
    if (owner.isEmpty()) {
        done(QStringLiteral("an unknown program"), false);
        return;
    }
    connect(callDriver(QStringLiteral("GetConnectionUnixProcessID"), {owner}),
            &QDBusPendingCallWatcher::finished, this,
            [owner, done = std::move(done)](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<uint> reply = *call;
                if (reply.isError()) {
                    done(owner, false);
                    return;
                }
                const uint pid = reply.value();
                // A link in /proc: read from the kernel, never from another program.
                const QString exe =
                    QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
                const QString own = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
                done(QStringLiteral("%1 (process %2, %3)")
                         .arg(exe.isEmpty() ? QStringLiteral("a program") : exe)
                         .arg(pid)
                         .arg(owner),
                     isSameProgram(exe, own));
            });
}

void SingleInstance::awaitPrevious(std::chrono::milliseconds limit) {
    if (waiting_) {
        return;
    }
    waiting_ = true;
    if (previous_.isEmpty() || !bus_.isConnected()) {
        QTimer::singleShot(0, this, [this] { finishWait(true); });
        return;
    }
    waitLimit_.start(limit);
    // Watch before asking: the bus handles both in order, so a departure between them is not
    // missed.
    auto* watcher =
        new QDBusServiceWatcher(previous_, bus_, QDBusServiceWatcher::WatchForUnregistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this, watcher] {
        watcher->deleteLater();
        finishWait(true);
    });
    connect(callDriver(QStringLiteral("NameHasOwner"), {previous_}),
            &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<bool> reply = *call;
                // An error says nothing: the limit decides then.
                if (!reply.isError() && !reply.value()) {
                    finishWait(true);
                }
            });
}

void SingleInstance::finishWait(bool left) {
    if (!waiting_) {
        return;
    }
    waiting_ = false;
    waitLimit_.stop();
    emit previousGone(left);
}

} // namespace quillbar
