#include "FeedServer.h"

namespace quillbar::test {

FeedServer::FeedServer() {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(QUILLBAR_TEST_PYTHON),
                   {QStringLiteral(QUILLBAR_TEST_FEED_SERVER), QStringLiteral("--feeds"),
                    QStringLiteral(QUILLBAR_TEST_FEEDS_DIR)});
    if (!process_.waitForStarted()) {
        return;
    }
    // The first line announces the port; waiting for it is waiting for the server to listen.
    while (!process_.canReadLine() && process_.waitForReadyRead()) {
    }
    const QByteArray line = process_.readLine().trimmed();
    if (line.startsWith("PORT ")) {
        port_ = line.mid(5).toInt();
    }
}

FeedServer::~FeedServer() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished()) {
            process_.kill();
            process_.waitForFinished();
        }
    }
}

QUrl FeedServer::url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path));
}

} // namespace quillbar::test
