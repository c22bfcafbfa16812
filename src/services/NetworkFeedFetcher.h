// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services/UpdateFeedFetcher.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <memory>

class QNetworkReply;

namespace quillbar {

// The fetch itself, over QtNetwork: built as the module that UpdateFeedFetcher loads on its first
// fetch. One fetch at a time, within the limits, following only redirects to allowed addresses.
class NetworkFeedFetcher final : public QObject, public UpdateFeedFetcher::Engine {
    Q_OBJECT

public:
    using Limits = UpdateFeedFetcher::Limits;
    using Result = UpdateFeedFetcher::Result;
    using Completion = UpdateFeedFetcher::Completion;

    // A fetcher that applies limits to every fetch.
    explicit NetworkFeedFetcher(Limits limits);
    // Abandons a fetch in progress without calling its completion.
    ~NetworkFeedFetcher() override;

    // See UpdateFeedFetcher::fetch.
    void fetch(const QUrl& url, Completion done) override;

private:
    void onRedirected(const QUrl& target);
    void onReadyRead();
    void onMetaDataChanged();
    void onFinished();
    void fail(UpdateCheckError::Kind kind, const QString& message);
    void finish(const Result& result);
    void dropReply();

    Limits limits_;
    // Made for the first fetch.
    std::unique_ptr<QNetworkAccessManager> manager_;
    QPointer<QNetworkReply> reply_;
    QByteArray body_;
    QTimer deadline_;
    Completion done_;
    quint64 generation_ = 0;
};

} // namespace quillbar
