// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/UpdateFeedFetcher.h"

#include <QCoreApplication>
#include <QDir>

namespace quillbar {

namespace {

using CreateEngine = UpdateFeedFetcher::Engine* (*)(const UpdateFeedFetcher::Limits*);

} // namespace

UpdateFeedFetcher::UpdateFeedFetcher(Limits limits, QString modulePath, QObject* parent)
    : QObject(parent)
    , limits_(limits)
    , modulePath_(std::move(modulePath)) {}

UpdateFeedFetcher::~UpdateFeedFetcher() = default;

bool UpdateFeedFetcher::loadEngine(QString& error) {
    if (engine_) {
        return true;
    }
    const QString path = modulePath_.isEmpty() ? QDir(QCoreApplication::applicationDirPath())
                                                     .filePath(QString::fromLatin1(kModuleName))
                                               : modulePath_;
    module_.setFileName(path);
    const auto create =
        reinterpret_cast<CreateEngine>(module_.resolve("quillbar_create_feed_engine"));
    if (!create) {
        error =
            tr("Quillbar's update component could not be loaded (%1).").arg(module_.errorString());
        return false;
    }
    engine_.reset(create(&limits_));
    return true;
}

void UpdateFeedFetcher::fetch(const QUrl& url, Completion done) {
    const quint64 generation = ++generation_;
    fetching_ = generation;
    const auto finish = [this, generation, done = std::move(done)](const Result& result) {
        if (fetching_ != generation) {
            return; // superseded by a later fetch
        }
        fetching_ = 0;
        done(result);
    };
    QString error;
    if (!loadEngine(error)) {
        // Report on a later turn, as for every other outcome.
        QMetaObject::invokeMethod(
            this,
            [finish, error] {
                finish(UpdateCheckError{UpdateCheckError::Kind::Network, error});
            },
            Qt::QueuedConnection);
        return;
    }
    engine_->fetch(url, finish);
}

} // namespace quillbar
