#include "services/AppcastParser.h"

#include "services/UpdateVersion.h"

#include <QXmlStreamReader>

namespace quillbar {

namespace {

constexpr QStringView kSparkleNamespace = u"http://www.andymatuschak.org/xml-namespaces/sparkle";

bool isSparkle(const QXmlStreamReader& xml, QStringView name) {
    return xml.name() == name &&
           (xml.namespaceUri() == kSparkleNamespace || xml.prefix() == u"sparkle");
}

QStringView sparkleAttribute(const QXmlStreamAttributes& attributes, QStringView name) {
    for (const QXmlStreamAttribute& attribute : attributes) {
        if (attribute.name() == name &&
            (attribute.namespaceUri() == kSparkleNamespace || attribute.prefix() == u"sparkle")) {
            return attribute.value();
        }
    }
    return {};
}

QUrl webAddress(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    return url.isValid() && !url.isRelative() ? url : QUrl();
}

// Reads one <item> up to and including its end tag.
AppcastItem readItem(QXmlStreamReader& xml) {
    AppcastItem item;
    QUrl link;
    QUrl enclosure;
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri().isEmpty() && xml.name() == u"title") {
            item.title = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (xml.namespaceUri().isEmpty() && xml.name() == u"link") {
            link = webAddress(xml.readElementText(QXmlStreamReader::IncludeChildElements));
        } else if (xml.namespaceUri().isEmpty() && xml.name() == u"description") {
            item.releaseNotes =
                xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (xml.namespaceUri().isEmpty() && xml.name() == u"enclosure") {
            const QXmlStreamAttributes attributes = xml.attributes();
            enclosure = webAddress(attributes.value(QLatin1String("url")).toString());
            if (const QStringView v = sparkleAttribute(attributes, u"version"); !v.isEmpty()) {
                item.version = v.trimmed().toString();
            }
            if (const QStringView v = sparkleAttribute(attributes, u"shortVersionString");
                !v.isEmpty()) {
                item.shortVersion = v.trimmed().toString();
            }
            xml.skipCurrentElement();
        } else if (isSparkle(xml, u"version")) {
            item.version = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (isSparkle(xml, u"shortVersionString")) {
            item.shortVersion =
                xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (isSparkle(xml, u"releaseNotesLink")) {
            item.releaseNotesURL =
                webAddress(xml.readElementText(QXmlStreamReader::IncludeChildElements));
        } else {
            xml.skipCurrentElement();
        }
    }
    item.downloadURL = link.isValid() ? link : enclosure;
    return item;
}

void readChannel(QXmlStreamReader& xml, QList<AppcastItem>& items) {
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri().isEmpty() && xml.name() == u"item") {
            AppcastItem item = readItem(xml);
            if (!item.version.isEmpty()) {
                items.append(std::move(item));
            }
        } else {
            xml.skipCurrentElement();
        }
    }
}

} // namespace

std::optional<QList<AppcastItem>> AppcastParser::parse(const QByteArray& document, QString& error) {
    QXmlStreamReader xml(document);
    QList<AppcastItem> items;
    if (!xml.readNextStartElement() || xml.name() != u"rss") {
        error =
            xml.hasError() ? xml.errorString() : QStringLiteral("the document is not an RSS feed");
        return std::nullopt;
    }
    while (xml.readNextStartElement()) {
        if (xml.name() == u"channel") {
            readChannel(xml, items);
        } else {
            xml.skipCurrentElement();
        }
    }
    // Read to the end so trailing garbage is noticed too.
    while (!xml.atEnd()) {
        xml.readNext();
    }
    if (xml.hasError()) {
        error = QStringLiteral("%1 (line %2)").arg(xml.errorString()).arg(xml.lineNumber());
        return std::nullopt;
    }
    return items;
}

std::optional<AppcastItem> AppcastParser::newestNewerThan(const QList<AppcastItem>& items,
                                                          const QString& currentVersion) {
    const AppcastItem* newest = nullptr;
    for (const AppcastItem& item : items) {
        if (newest == nullptr || UpdateVersion::compare(item.version, newest->version) > 0) {
            newest = &item;
        }
    }
    if (newest == nullptr || UpdateVersion::compare(newest->version, currentVersion) <= 0) {
        return std::nullopt;
    }
    return *newest;
}

} // namespace quillbar
