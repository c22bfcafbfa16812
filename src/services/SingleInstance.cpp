#include "services/SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QTimer>

#include <utility>

namespace quillbar {

SingleInstance::SingleInstance(QDBusConnection bus, QString name, QObject* parent)
    : QObject(parent)
    , bus_(std::move(bus))
    , name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim() {
    if (!bus_.isConnected() || bus_.interface() == nullptr || name_.isEmpty()) {
        return false;
    }
    // Listen first, so a newer instance that arrives right after us is not missed.
    bus_.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                 QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameLost"), this,
                 SLOT(nameLost(QString)));
    const QDBusReply<QString> owner = bus_.interface()->serviceOwner(name_);
    previous_ = owner.isValid() && owner.value() != bus_.baseService() ? owner.value() : QString();
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus_.interface()->registerService(name_, QDBusConnectionInterface::ReplaceExistingService,
                                          QDBusConnectionInterface::AllowReplacement);
    claimed_ = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    return claimed_;
}

bool SingleInstance::holdsName() const {
    if (!claimed_ || bus_.interface() == nullptr) {
        return false;
    }
    const QDBusReply<QString> owner = bus_.interface()->serviceOwner(name_);
    return owner.isValid() && owner.value() == bus_.baseService();
}

void SingleInstance::awaitPrevious(std::chrono::milliseconds limit) {
    if (waiting_) {
        return;
    }
    waiting_ = true;
    if (previous_.isEmpty() || bus_.interface() == nullptr) {
        QTimer::singleShot(0, this, [this] { finishWait(true); });
        return;
    }
    // Watch before asking, so that a departure between the two is not missed.
    previousWatcher_ =
        new QDBusServiceWatcher(previous_, bus_, QDBusServiceWatcher::WatchForUnregistration, this);
    connect(previousWatcher_, &QDBusServiceWatcher::serviceUnregistered, this,
            [this] { finishWait(true); });
    waitLimit_ = new QTimer(this);
    waitLimit_->setSingleShot(true);
    connect(waitLimit_, &QTimer::timeout, this, [this] { finishWait(false); });
    waitLimit_->start(limit);
    const QDBusReply<bool> registered = bus_.interface()->isServiceRegistered(previous_);
    if (registered.isValid() && !registered.value()) {
        QTimer::singleShot(0, this, [this] { finishWait(true); });
    }
}

void SingleInstance::finishWait(bool left) {
    if (!waiting_) {
        return;
    }
    waiting_ = false;
    // Either may be the sender of this call: let it finish first.
    if (previousWatcher_ != nullptr) {
        previousWatcher_->deleteLater();
        previousWatcher_ = nullptr;
    }
    if (waitLimit_ != nullptr) {
        waitLimit_->stop();
        waitLimit_->deleteLater();
        waitLimit_ = nullptr;
    }
    emit previousGone(left);
}

void SingleInstance::nameLost(const QString& name) {
    if (claimed_ && name == name_) {
        claimed_ = false;
        emit replaced();
    }
}

} // namespace quillbar
