#include "services/SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>

#include <utility>

namespace quillbar {

SingleInstance::SingleInstance(QDBusConnection bus, QString name, QObject* parent)
    : QObject(parent)
    , bus_(std::move(bus))
    , name_(std::move(name)) {}

bool SingleInstance::claim() {
    if (!bus_.isConnected() || bus_.interface() == nullptr || name_.isEmpty()) {
        return false;
    }
    // Listen first, so a newer instance that arrives right after us is not missed.
    bus_.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                 QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameLost"), this,
                 SLOT(nameLost(QString)));
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

void SingleInstance::nameLost(const QString& name) {
    if (claimed_ && name == name_) {
        claimed_ = false;
        emit replaced();
    }
}

} // namespace quillbar
