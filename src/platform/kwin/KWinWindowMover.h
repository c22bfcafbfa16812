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

    // Asks KWin to put the window (the X11 window id, or 0: every normal window of this process)
    // on its current desktop and activate it; returns at once.
    void bringHere(std::uint64_t x11Window);
    // The script that does it for the window of process pid (x11Window as above); it runs on
    // KWin 5 and 6.
    static QString script(std::int64_t pid, std::uint64_t x11Window);

private:
    void unload();

    QDBusConnection bus_;
    std::unique_ptr<QTemporaryFile> file_;
    QString pluginName_;
};

} // namespace quillbar
