// SPDX-License-Identifier: GPL-3.0-or-later
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

// The feed's tokens one at a time, with a count of the elements open around the current one.
// Nothing here recurses, and a document that nests deeper than kMaxDepth is refused, so a
// hostile feed costs time in proportion to its size and never stack.
class FeedReader {
public:
    // Real feeds nest five or six deep (rss, channel, item, enclosure); descriptions given as
    // markup rather than CDATA add a few more.
    static constexpr int kMaxDepth = 64;

    explicit FeedReader(const QByteArray& document)
        : xml_(document) {}

    QXmlStreamReader& xml() { return xml_; }

    // Moves to the next child element of the current element: true on its start tag, false at
    // the current element's end tag or on an error.
    bool nextChild() {
        while (next() != QXmlStreamReader::Invalid) {
            if (xml_.isStartElement()) {
                return true;
            }
            if (xml_.isEndElement()) {
                return false;
            }
        }
        return false;
    }

    // The text inside the current element, that of its children included, trimmed; leaves the
    // reader on the element's end tag.
    QString text() {
        QString text;
        const int depth = depth_;
        while (next() != QXmlStreamReader::Invalid) {
            if (xml_.isCharacters() || xml_.isEntityReference()) {
                text += xml_.text();
            } else if (xml_.isEndElement() && depth_ < depth) {
                break;
            }
        }
        return text.trimmed();
    }

    // Reads everything that is left, so that trailing garbage is noticed too.
    void finish() {
        while (!xml_.atEnd()) {
            next();
        }
    }

    // Moves past the current element's end tag without keeping anything.
    void skip() {
        const int depth = depth_;
        while (next() != QXmlStreamReader::Invalid) {
            if (xml_.isEndElement() && depth_ < depth) {
                return;
            }
        }
    }

private:
    QXmlStreamReader::TokenType next() {
        const QXmlStreamReader::TokenType token = xml_.readNext();
        if (token == QXmlStreamReader::StartElement && ++depth_ > kMaxDepth) {
            xml_.raiseError(
                QStringLiteral("the feed nests elements more than %1 deep").arg(kMaxDepth));
        } else if (token == QXmlStreamReader::EndElement) {
            --depth_;
        }
        return xml_.tokenType();
    }

    QXmlStreamReader xml_;
    int depth_ = 0;
};

bool isPlain(const QXmlStreamReader& xml, QStringView name) {
    return xml.namespaceUri().isEmpty() && xml.name() == name;
}

// Reads one <item> up to and including its end tag.
AppcastItem readItem(FeedReader& reader) {
    QXmlStreamReader& xml = reader.xml();
    AppcastItem item;
    QUrl link;
    QUrl enclosure;
    while (reader.nextChild()) {
        if (isPlain(xml, u"title")) {
            item.title = reader.text();
        } else if (isPlain(xml, u"link")) {
            link = webAddress(reader.text());
        } else if (isPlain(xml, u"description")) {
            item.releaseNotes = reader.text();
        } else if (isPlain(xml, u"enclosure")) {
            const QXmlStreamAttributes attributes = xml.attributes();
            enclosure = webAddress(attributes.value(QLatin1String("url")).toString());
            if (const QStringView v = sparkleAttribute(attributes, u"version"); !v.isEmpty()) {
                item.version = v.trimmed().toString();
            }
            if (const QStringView v = sparkleAttribute(attributes, u"shortVersionString");
                !v.isEmpty()) {
                item.shortVersion = v.trimmed().toString();
            }
            reader.skip();
        } else if (isSparkle(xml, u"version")) {
            item.version = reader.text();
        } else if (isSparkle(xml, u"shortVersionString")) {
            item.shortVersion = reader.text();
        } else if (isSparkle(xml, u"releaseNotesLink")) {
            item.releaseNotesURL = webAddress(reader.text());
        } else {
            reader.skip();
        }
    }
    item.downloadURL = link.isValid() ? link : enclosure;
    return item;
}

void readChannel(FeedReader& reader, QList<AppcastItem>& items) {
    while (reader.nextChild()) {
        if (isPlain(reader.xml(), u"item")) {
            AppcastItem item = readItem(reader);
            if (!item.version.isEmpty()) {
                items.append(std::move(item));
            }
        } else {
            reader.skip();
        }
    }
}

} // namespace

std::optional<QList<AppcastItem>> AppcastParser::parse(const QByteArray& document, QString& error) {
    FeedReader reader(document);
    QXmlStreamReader& xml = reader.xml();
    QList<AppcastItem> items;
    if (!reader.nextChild() || xml.name() != u"rss") {
        error =
            xml.hasError() ? xml.errorString() : QStringLiteral("the document is not an RSS feed");
        return std::nullopt;
    }
    while (reader.nextChild()) {
        if (xml.name() == u"channel") {
            readChannel(reader, items);
        } else {
            reader.skip();
        }
    }
    reader.finish();
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
