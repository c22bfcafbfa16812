// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quillbar {

// The program's entry in the XDG autostart directories: the user's own directory, which it writes,
// and the system directories, which it only reads. An entry in the user's directory hides a system
// entry of the same file name.
class XdgAutostart {
public:
    // The entry fileName for the program at executablePath, written into userDirectory; the
    // systemDirectories are searched in order when the user has no entry.
    XdgAutostart(QString userDirectory, QStringList systemDirectories, QString executablePath,
                 QString fileName = QStringLiteral("quillbar.desktop"));
    // The entry for the program at executablePath in $XDG_CONFIG_HOME/autostart and the autostart
    // folders of $XDG_CONFIG_DIRS.
    static XdgAutostart forCurrentUser(const QString& executablePath);

    // Whether the entry that counts (the user's, else the first system one) is a valid application
    // entry that is not hidden or switched off and starts this program (an entry left behind by
    // another build or copy does not count).
    bool isEnabled() const;
    // Writes the user's entry (atomically); false with the reason in error when it cannot.
    bool enable(QString* error);
    // Removes the user's entry, or writes a hidden one when a system entry would still start the
    // program; false with the reason in error when it cannot.
    bool disable(QString* error);

    // The window manager of a session that starts no XDG autostart entries ("sway", "i3" or
    // "labwc"), read from XDG_CURRENT_DESKTOP's names; empty for sessions that do.
    static QString sessionIgnoringEntries(const QString& currentDesktop);
    // The same for this process's session (XDG_CURRENT_DESKTOP, else the sway or i3 socket).
    static QString currentSessionIgnoringEntries();

    // Path of the user's entry.
    QString userEntryPath() const;
    // The text of a desktop entry that starts the program at executablePath.
    static QByteArray entryText(const QString& executablePath, bool hidden = false);

private:
    static bool isEnabledEntry(const QString& path, const QString& executablePath);
    bool systemEntryEnabled() const;
    bool write(const QByteArray& text, QString* error) const;

    QString userDirectory_;
    QStringList systemDirectories_;
    QString executablePath_;
    QString fileName_;
};

} // namespace quillbar
