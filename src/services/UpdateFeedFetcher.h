// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services/UpdateCheckError.h"

#include <QByteArray>
#include <QLibrary>
#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <variant>

namespace quillbar {

// Fetches one update feed at a time, within a time limit and a size limit, following only
// redirects to allowed addresses (UpdateFeedAddress). The part that speaks HTTP lives in a module
// (QtNetwork and the libraries it brings) loaded on the first fetch: most runs never check, and a
// tray that idles all day need not keep them in memory.
class UpdateFeedFetcher : public QObject {
    Q_OBJECT

public:
    using Result = std::variant<QByteArray, UpdateCheckError>;
    using Completion = std::function<void(const Result& result)>;

    struct Limits {
        std::chrono::milliseconds timeout{10'000}; // for the whole fetch, redirects included
        qint64 maxBytes = 1 << 20;
    };

    // What the module provides: one fetch at a time, as fetch() below promises.
    class Engine {
    public:
        virtual ~Engine() = default;
        virtual void fetch(const QUrl& url, Completion done) = 0;
    };

    // The module's file name, installed beside the application's executable.
    static constexpr const char* kModuleName = "quillbar-feed.so";

    // A fetcher that applies limits to every fetch, loading the module at modulePath (empty:
    // kModuleName beside the executable) when it first fetches.
    explicit UpdateFeedFetcher(Limits limits, QString modulePath = {}, QObject* parent = nullptr);
    // Abandons a fetch in progress without calling its completion.
    ~UpdateFeedFetcher() override;

    // Starts fetching url, abandoning (without completion) any fetch in progress. done (not empty)
    // is called exactly once, later on this thread, with the document or the reason it failed
    // (a module that cannot be loaded is a Network failure that says so).
    void fetch(const QUrl& url, Completion done);

private:
    bool loadEngine(QString& error);

    Limits limits_;
    QString modulePath_;
    QLibrary module_; // never unloaded: the engine's code lives there
    std::unique_ptr<Engine> engine_;
    quint64 fetching_ = 0; // the generation of the fetch in progress, or 0
    quint64 generation_ = 0;
};

} // namespace quillbar
