// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

class QTemporaryFile;

namespace quillbar {

// Brings this process's windows to the user on KWin, which keeps windows from taking the focus
// and, asked to activate one on another desktop, takes the user there instead. A short KWin
// script moves the window to the current desktop and activates it. Every call is asynchronous.
class KWinWindowMover final : public QObject {
    Q_OBJECT
public:
    explicit KWinWindowMover(QDBusConnection bus);
    ~KWinWindowMover() override;

    // Asks KWin to put this process's windows (its normal windows and dialogs: the rename window)
    // on its current desktop and activate them; returns at once.
    void bringHere();
    // The script that does it for the windows of process pid; it runs on KWin 5 and 6, on X11 and
    // Wayland alike.
    static QString script(std::int64_t pid);

private:
    void unload();

    QDBusConnection bus_;
    std::unique_ptr<QTemporaryFile> file_;
    QString pluginName_;
};

} // namespace quillbar
