// Version ordering, feed parsing and the address rule.
#include "services/AppcastParser.h"
#include "services/UpdateFeedAddress.h"
#include "services/UpdateVersion.h"

#include <QTest>

using namespace quillbar;

class UpdateFeedTest : public QObject {
    Q_OBJECT

private slots:
    void versionsCompareByNumbers_data();
    void versionsCompareByNumbers();
    void parsesElementAndEnclosureForms();
    void skipsItemsWithoutVersionAndForeignElements();
    void rejectsBrokenDocuments_data();
    void rejectsBrokenDocuments();
    void picksNewestItemOnlyWhenNewer();
    void allowsOnlySecureOrLoopbackAddresses_data();
    void allowsOnlySecureOrLoopbackAddresses();
};

void UpdateFeedTest::versionsCompareByNumbers_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("order");
    QTest::newRow("1.10 > 1.9") << "1.10"
                                << "1.9" << 1;
    QTest::newRow("2 > 1.99.99") << "2"
                                 << "1.99.99" << 1;
    QTest::newRow("missing parts are 0") << "1.2"
                                         << "1.2.0" << 0;
    QTest::newRow("extra part is newer") << "1.2.1"
                                         << "1.2" << 1;
    QTest::newRow("leading zeros") << "1.02"
                                   << "1.2" << 0;
    QTest::newRow("pre-release below release") << "1.2b1"
                                               << "1.2" << -1;
    QTest::newRow("pre-releases ordered") << "1.2b1"
                                          << "1.2b2" << -1;
    QTest::newRow("beyond 64 bits") << "1.99999999999999999999999"
                                    << "1.99999999999999999999998" << 1;
    QTest::newRow("surrounding space") << " 0.1.0 "
                                       << "0.1.0" << 0;
}

void UpdateFeedTest::versionsCompareByNumbers() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, order);
    const auto sign = [](int v) { return (v > 0) - (v < 0); };
    QCOMPARE(sign(UpdateVersion::compare(a, b)), order);
    QCOMPARE(sign(UpdateVersion::compare(b, a)), -order);
}

void UpdateFeedTest::parsesElementAndEnclosureForms() {
    const QByteArray feed = R"(<?xml version="1.0"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
 <channel><title>Quillbar</title>
  <item>
   <title>Quillbar 1.10</title>
   <sparkle:version>1.10</sparkle:version>
   <sparkle:shortVersionString>1.10 “Heron”</sparkle:shortVersionString>
   <sparkle:releaseNotesLink>https://example.org/notes/1.10</sparkle:releaseNotesLink>
   <link>https://example.org/quillbar/1.10</link>
   <description><![CDATA[<p>Faster</p>]]></description>
   <enclosure url="https://example.org/quillbar-1.10.deb" length="1"/>
  </item>
  <item>
   <enclosure url="https://example.org/quillbar-1.9.5.deb" sparkle:version="1.9.5"
              sparkle:shortVersionString="1.9.5"/>
  </item>
 </channel>
</rss>)";
    QString error;
    const auto items = AppcastParser::parse(feed, error);
    QVERIFY2(items, qPrintable(error));
    QCOMPARE(items->size(), 2);
    const AppcastItem& first = items->at(0);
    QCOMPARE(first.title, QStringLiteral("Quillbar 1.10"));
    QCOMPARE(first.version, QStringLiteral("1.10"));
    QCOMPARE(first.displayVersion(), QStringLiteral("1.10 “Heron”"));
    // The page is preferred to the file: Quillbar never downloads, the browser shows the page.
    QCOMPARE(first.downloadURL, QUrl("https://example.org/quillbar/1.10"));
    QCOMPARE(first.releaseNotes, QStringLiteral("<p>Faster</p>"));
    QCOMPARE(first.releaseNotesURL, QUrl("https://example.org/notes/1.10"));
    const AppcastItem& second = items->at(1);
    QCOMPARE(second.version, QStringLiteral("1.9.5"));
    QCOMPARE(second.downloadURL, QUrl("https://example.org/quillbar-1.9.5.deb"));
}

void UpdateFeedTest::skipsItemsWithoutVersionAndForeignElements() {
    const QByteArray feed =
        R"(<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"
    xmlns:other="urn:other">
 <channel>
  <item><title>News without a version</title><link>https://example.org/news</link></item>
  <item>
   <other:version>9.9</other:version>
   <other:nested><sparkle:version>8.8</sparkle:version></other:nested>
   <sparkle:version>2.0</sparkle:version>
  </item>
 </channel>
</rss>)";
    QString error;
    const auto items = AppcastParser::parse(feed, error);
    QVERIFY2(items, qPrintable(error));
    QCOMPARE(items->size(), 1);
    QCOMPARE(items->at(0).version, QStringLiteral("2.0"));
    QVERIFY(items->at(0).downloadURL.isEmpty());
}

void UpdateFeedTest::rejectsBrokenDocuments_data() {
    QTest::addColumn<QByteArray>("document");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not xml") << QByteArray("<html><body>Not found");
    QTest::newRow("other root") << QByteArray("<feed><entry/></feed>");
    QTest::newRow("unclosed item")
        << QByteArray(R"(<rss><channel><item><title>x</title></channel></rss>)");
    QTest::newRow("undeclared prefix")
        << QByteArray("<rss><channel><item><sparkle:version>2</sparkle:version></item>"
                      "</channel></rss>");
    QTest::newRow("garbage after root") << QByteArray("<rss><channel/></rss><rss/>");
}

void UpdateFeedTest::rejectsBrokenDocuments() {
    QFETCH(QByteArray, document);
    QString error;
    QVERIFY(!AppcastParser::parse(document, error));
    QVERIFY(!error.isEmpty());
}

void UpdateFeedTest::picksNewestItemOnlyWhenNewer() {
    QList<AppcastItem> items(3);
    items[0].version = QStringLiteral("1.9");
    items[1].version = QStringLiteral("1.10");
    items[2].version = QStringLiteral("1.9.5");
    const auto found = AppcastParser::newestNewerThan(items, QStringLiteral("1.9"));
    QVERIFY(found);
    QCOMPARE(found->version, QStringLiteral("1.10"));
    QVERIFY(!AppcastParser::newestNewerThan(items, QStringLiteral("1.10")));
    QVERIFY(!AppcastParser::newestNewerThan(items, QStringLiteral("2.0")));
    QVERIFY(!AppcastParser::newestNewerThan({}, QStringLiteral("0.1")));
}

void UpdateFeedTest::allowsOnlySecureOrLoopbackAddresses_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("https") << "https://example.org/appcast.xml" << true;
    QTest::newRow("HTTPS upper case") << "HTTPS://example.org/appcast.xml" << true;
    QTest::newRow("http remote") << "http://example.org/appcast.xml" << false;
    QTest::newRow("http 127.0.0.1") << "http://127.0.0.1:8000/a.xml" << true;
    QTest::newRow("http 127.5.6.7") << "http://127.5.6.7/a.xml" << true;
    QTest::newRow("http ::1") << "http://[::1]:8000/a.xml" << true;
    QTest::newRow("http localhost") << "http://localhost/a.xml" << true;
    QTest::newRow("http localhost.evil") << "http://localhost.example.org/a.xml" << false;
    QTest::newRow("http 128.0.0.1") << "http://128.0.0.1/a.xml" << false;
    QTest::newRow("ftp") << "ftp://example.org/a.xml" << false;
    QTest::newRow("file") << "file:///etc/passwd" << false;
    QTest::newRow("no host") << "https:///a.xml" << false;
    QTest::newRow("empty") << "" << false;
}

void UpdateFeedTest::allowsOnlySecureOrLoopbackAddresses() {
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    QCOMPARE(UpdateFeedAddress::isAllowed(QUrl(url)), allowed);
}

QObject* newUpdateFeedTest() {
    return new UpdateFeedTest;
}

#include "UpdateFeedTest.moc"
