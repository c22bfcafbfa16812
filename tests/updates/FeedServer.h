#pragma once

#include <QProcess>
#include <QUrl>

namespace quillbar::test {

// The feed server script, running on a free port of 127.0.0.1 for as long as this object lives.
class FeedServer {
public:
    // Starts the server and waits until it reports its port; isRunning() tells whether it did.
    FeedServer();
    // Terminates the server and waits for it to end.
    ~FeedServer();
    FeedServer(const FeedServer&) = delete;
    FeedServer& operator=(const FeedServer&) = delete;

    // True once the server listens.
    bool isRunning() const { return port_ != 0; }
    // The address of path on the server, e.g. url("/feeds/newer.xml").
    QUrl url(const QString& path) const;

private:
    QProcess process_;
    int port_ = 0;
};

} // namespace quillbar::test
