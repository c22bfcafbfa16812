#pragma once

#include "services/UpdateCheckError.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <variant>

class QNetworkReply;

namespace quillbar {

// Fetches one update feed at a time, within a time limit and a size limit, following only
// redirects to allowed addresses (UpdateFeedAddress).
class UpdateFeedFetcher : public QObject {
    Q_OBJECT

public:
    using Result = std::variant<QByteArray, UpdateCheckError>;
    using Completion = std::function<void(const Result& result)>;

    struct Limits {
        std::chrono::milliseconds timeout{10'000}; // for the whole fetch, redirects included
        qint64 maxBytes = 1 << 20;
    };

    // A fetcher that applies limits to every fetch.
    explicit UpdateFeedFetcher(Limits limits, QObject* parent = nullptr);
    // Abandons a fetch in progress without calling its completion.
    ~UpdateFeedFetcher() override;

    // Starts fetching url, abandoning (without completion) any fetch in progress. done (not empty)
    // is called exactly once, later on this thread, with the document or the reason it failed.
    void fetch(const QUrl& url, Completion done);
    // True between fetch() and the call of its completion.
    bool isFetching() const { return static_cast<bool>(done_); }

private:
    void onRedirected(const QUrl& target);
    void onReadyRead();
    void onMetaDataChanged();
    void onFinished();
    void fail(UpdateCheckError::Kind kind, const QString& message);
    void finish(const Result& result);
    void dropReply();

    Limits limits_;
    // Made for the first fetch: most runs never check, and start-up need not pay for it.
    std::unique_ptr<QNetworkAccessManager> manager_;
    QPointer<QNetworkReply> reply_;
    QByteArray body_;
    QTimer deadline_;
    Completion done_;
    quint64 generation_ = 0;
};

} // namespace quillbar
