// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kwin/KWinWindowMover.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace quillbar {

namespace {

constexpr const char* kService = "org.kde.KWin";
constexpr const char* kPath = "/Scripting";
constexpr const char* kInterface = "org.kde.kwin.Scripting";

QDBusMessage scriptingCall(const char* member) {
    return QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                          QString::fromLatin1(kInterface),
                                          QString::fromLatin1(member));
}

} // namespace

KWinWindowMover::KWinWindowMover(QDBusConnection bus)
    : bus_(std::move(bus)) {}

KWinWindowMover::~KWinWindowMover() {
    unload();
}

QString KWinWindowMover::script(std::int64_t pid) {
    // KWin 6 names windows and desktops by object (windowList, desktops, activeWindow); KWin 5
    // by client and number.
    return QStringLiteral(R"(const six = typeof workspace.windowList === "function";
for (const w of six ? workspace.windowList() : workspace.clientList()) {
    if (w.pid !== %1 || !(w.normalWindow || w.dialog))
        continue;
    if (six) {
        w.desktops = [workspace.currentDesktop];
        workspace.activeWindow = w;
    } else {
        w.desktop = workspace.currentDesktop;
        workspace.activeClient = w;
    }
}
)")
        .arg(pid);
}

void KWinWindowMover::bringHere() {
    unload(); // the previous request's script
    file_ = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                             QStringLiteral("/quillbar-kwin-XXXXXX.js"));
    if (!file_->open()) {
        file_.reset();
        return;
    }
    // A few hundred bytes into the temporary folder: KWin loads scripts only from files.
    file_->write(script(QCoreApplication::applicationPid()).toUtf8());
    file_->flush();
    QDBusMessage load = scriptingCall("loadScript");
    // Named after its file, so that it never meets the previous request's script while KWin
    // has not yet unloaded that one.
    pluginName_ = QFileInfo(file_->fileName()).completeBaseName();
    load << file_->fileName() << pluginName_;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(load), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (QDBusPendingReply<int>(*call).isValid())
                    bus_.asyncCall(
                        scriptingCall("start")); // runs the scripts loaded and not yet running
            });
}

void KWinWindowMover::unload() {
    if (!file_)
        return;
    QDBusMessage call = scriptingCall("unloadScript");
    call << pluginName_;
    bus_.asyncCall(call);
    file_.reset();
}

} // namespace quillbar
