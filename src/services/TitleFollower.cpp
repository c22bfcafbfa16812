#include "services/TitleFollower.h"

#include "services/TitleExporter.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QTimer>

#include <utility>

namespace quillbar {

TitleFollower::TitleFollower(QDBusConnection bus, QString service, Format format, std::FILE* out,
                             QObject* parent)
    : QObject(parent)
    , bus_(std::move(bus))
    , service_(std::move(service))
    , format_(format)
    , out_(out) {}

QByteArray TitleFollower::line(const QString& title, Format format) {
    return QByteArray::fromStdString(TitleLine::format(title.toStdString(), format));
}

QByteArray TitleFollower::preamble(Format format) {
    return QByteArray::fromStdString(TitleLine::preamble(format));
}

bool TitleFollower::fetch(QString* title) {
    if (!bus_.isConnected()) {
        return false;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        service_, QString::fromLatin1(TitleExporter::kPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(TitleExporter::kInterface)
        << QString::fromLatin1(TitleExporter::kProperty);
    // The bus's own reply timeout has been seen never to fire: the wait ends at our deadline.
    QDBusPendingCallWatcher watcher(bus_.asyncCall(get, kAnswerTimeoutMs));
    if (!watcher.isFinished()) {
        QEventLoop loop;
        connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(kAnswerTimeoutMs + 100, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!watcher.isFinished()) {
        return false;
    }
    const QDBusMessage reply = watcher.reply();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return false;
    }
    *title = qvariant_cast<QDBusVariant>(reply.arguments().first()).variant().toString();
    return true;
}

bool TitleFollower::printOnce() {
    QString title;
    if (!fetch(&title)) {
        return false;
    }
    print(title);
    return true;
}

void TitleFollower::follow() {
    const QByteArray head = preamble(format_);
    std::fwrite(head.constData(), 1, static_cast<std::size_t>(head.size()), out_);
    std::fflush(out_);
    if (!bus_.isConnected()) {
        return;
    }
    // The service name is followed to whichever process holds it, also a newer instance.
    bus_.connect(service_, QString::fromLatin1(TitleExporter::kPath),
                 QString::fromLatin1(TitleExporter::kInterface),
                 QString::fromLatin1(TitleExporter::kSignal), this, SLOT(titleChanged(QString)));
    bus_.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                 QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), this,
                 SLOT(ownerChanged(QString, QString, QString)));
    printOnce();
}

void TitleFollower::titleChanged(const QString& title) {
    print(title);
}

void TitleFollower::ownerChanged(const QString& name, const QString&, const QString& newOwner) {
    if (name != service_) {
        return;
    }
    QString title;
    if (newOwner.isEmpty() || !fetch(&title)) {
        title.clear();
    }
    print(title);
}

void TitleFollower::print(const QString& title) {
    if (printedAny_ && title == last_) {
        return;
    }
    printedAny_ = true;
    last_ = title;
    const QByteArray bytes = line(title, format_);
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out_);
    std::fflush(out_);
}

} // namespace quillbar
