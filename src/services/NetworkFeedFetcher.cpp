// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/NetworkFeedFetcher.h"

#include "services/UpdateFeedAddress.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace quillbar {

namespace {

constexpr int kMaximumRedirects = 5;

QString secondsText(std::chrono::milliseconds duration) {
    const double seconds = static_cast<double>(duration.count()) / 1000.0;
    return QString::number(seconds, 'g', 3);
}

} // namespace

NetworkFeedFetcher::NetworkFeedFetcher(Limits limits)
    : limits_(limits) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        fail(UpdateCheckError::Kind::Timeout,
             tr("The update server did not answer within %1 seconds.")
                 .arg(secondsText(limits_.timeout)));
    });
}

NetworkFeedFetcher::~NetworkFeedFetcher() {
    dropReply();
}

void NetworkFeedFetcher::fetch(const QUrl& url, Completion done) {
    dropReply();
    done_ = std::move(done);
    body_.clear();
    const quint64 generation = ++generation_;
    if (!UpdateFeedAddress::isAllowed(url)) {
        // Report on a later turn, as for every other outcome.
        QMetaObject::invokeMethod(
            this,
            [this, url, generation] {
                if (generation != generation_) {
                    return; // superseded by a later fetch
                }
                finish(UpdateCheckError{UpdateCheckError::Kind::InsecureRedirect,
                                        tr("The update feed address %1 is not a secure (https) "
                                           "address.")
                                            .arg(url.toDisplayString())});
            },
            Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaximumRedirects);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Quillbar/%1").arg(QCoreApplication::applicationVersion()));
    if (!manager_) {
        manager_ = std::make_unique<QNetworkAccessManager>();
    }
    reply_ = manager_->get(request);
    connect(reply_, &QNetworkReply::redirected, this, &NetworkFeedFetcher::onRedirected);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &NetworkFeedFetcher::onMetaDataChanged);
    connect(reply_, &QNetworkReply::readyRead, this, &NetworkFeedFetcher::onReadyRead);
    connect(reply_, &QNetworkReply::finished, this, &NetworkFeedFetcher::onFinished);
    deadline_.start(limits_.timeout);
}

void NetworkFeedFetcher::onRedirected(const QUrl& target) {
    const QUrl resolved = reply_->url().resolved(target);
    if (!UpdateFeedAddress::isAllowed(resolved)) {
        fail(UpdateCheckError::Kind::InsecureRedirect,
             tr("The update server redirected to %1, which is not a secure (https) address.")
                 .arg(resolved.toDisplayString()));
        return;
    }
    emit reply_->redirectAllowed();
}

void NetworkFeedFetcher::onMetaDataChanged() {
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > limits_.maxBytes) {
        fail(UpdateCheckError::Kind::TooLarge,
             tr("The update feed is larger than %1 bytes.").arg(limits_.maxBytes));
    }
}

void NetworkFeedFetcher::onReadyRead() {
    body_ += reply_->read(limits_.maxBytes + 1 - body_.size());
    if (body_.size() > limits_.maxBytes) {
        fail(UpdateCheckError::Kind::TooLarge,
             tr("The update feed is larger than %1 bytes.").arg(limits_.maxBytes));
    }
}

void NetworkFeedFetcher::onFinished() {
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400) {
        fail(UpdateCheckError::Kind::Network,
             tr("The update server answered with HTTP status %1 (%2).")
                 .arg(status)
                 .arg(reply_->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString()));
        return;
    }
    if (reply_->error() != QNetworkReply::NoError) {
        fail(UpdateCheckError::Kind::Network,
             tr("The update server could not be reached: %1").arg(reply_->errorString()));
        return;
    }
    onReadyRead();
    if (reply_.isNull()) {
        return; // too large: already reported
    }
    const QByteArray document = body_;
    finish(document);
}

void NetworkFeedFetcher::fail(UpdateCheckError::Kind kind, const QString& message) {
    finish(UpdateCheckError{kind, message});
}

void NetworkFeedFetcher::finish(const Result& result) {
    dropReply();
    body_.clear();
    // Move the completion out first: it may start the next fetch.
    Completion done = std::move(done_);
    done_ = nullptr;
    if (done) {
        done(result);
    }
}

void NetworkFeedFetcher::dropReply() {
    deadline_.stop();
    if (QNetworkReply* reply = reply_.data()) {
        reply_.clear();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

} // namespace quillbar

// The module's one entry point, found by name when the first fetch loads it.
extern "C" Q_DECL_EXPORT quillbar::UpdateFeedFetcher::Engine*
quillbar_create_feed_engine(const quillbar::UpdateFeedFetcher::Limits* limits) {
    return new quillbar::NetworkFeedFetcher(*limits);
}
