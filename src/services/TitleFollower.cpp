#include "services/TitleFollower.h"

#include "services/TitleExporter.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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
    if (format == Format::Plain) {
        // One title, one line: a line break inside a name would look like two titles.
        QString text = title;
        for (QChar& c : text) {
            if (c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == QChar(0x85) ||
                c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
                c = u' ';
            }
        }
        return text.toUtf8() + '\n';
    }
    if (format == Format::I3bar) {
        // One status line of the endless array: a single block, then the separating comma.
        const QJsonObject block{{QStringLiteral("full_text"), title},
                                {QStringLiteral("name"), QStringLiteral("quillbar")}};
        return QJsonDocument(QJsonArray{block}).toJson(QJsonDocument::Compact) + ",\n";
    }
    const QJsonObject object{{QStringLiteral("text"), title}, {QStringLiteral("tooltip"), title}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray TitleFollower::preamble(Format format) {
    if (format != Format::I3bar) {
        return {};
    }
    // The bar reads the header, then an array that stays open as long as this process runs.
    const QJsonObject header{{QStringLiteral("version"), 1}};
    return QJsonDocument(header).toJson(QJsonDocument::Compact) + "\n[\n";
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
    const QDBusMessage reply = bus_.call(get, QDBus::BlockWithGui, 2000);
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
