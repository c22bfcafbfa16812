// SPDX-License-Identifier: GPL-3.0-or-later
#include "services/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtGlobal>

#include <utility>

namespace quillbar {

namespace {

// Quotes the executable for an Exec key: plain paths stay as they are; anything else is put in
// double quotes with the characters that the quoting rules reserve escaped, and then backslashes
// doubled once more for the string escaping of the entry file.
QString execValue(const QString& path) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`=");
    QString escaped;
    bool needsQuotes = false;
    for (const QChar c : path) {
        if (reserved.contains(c)) {
            needsQuotes = true;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\')) {
            escaped += QLatin1Char('\\');
        }
        escaped += c;
    }
    QString value = needsQuotes ? QLatin1Char('"') + escaped + QLatin1Char('"') : path;
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    value.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return value;
}

// Undoes the string escapes of a desktop entry's value (\s, \n, \t, \r, \\).
QString unescapeValue(const QString& value) {
    QString result;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        const QChar next = value[++i];
        static const QString codes = QStringLiteral("sntr");
        static const QString meanings = QStringLiteral(" \n\t\r");
        const qsizetype code = codes.indexOf(next);
        result += code >= 0 ? meanings[code] : next;
    }
    return result;
}

// The program an Exec value starts: its first argument, unquoted, with "%%" read as "%".
QString execProgram(const QString& exec) {
    const QString value = unescapeValue(exec);
    QString program;
    qsizetype i = 0;
    if (value.startsWith(QLatin1Char('"'))) {
        for (i = 1; i < value.size() && value[i] != QLatin1Char('"'); ++i) {
            if (value[i] == QLatin1Char('\\') && i + 1 < value.size())
                ++i;
            program += value[i];
        }
    } else {
        program = value.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    }
    return program.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

// Whether program (a path, or a name looked up in PATH) is the executable at executablePath.
bool startsExecutable(const QString& program, const QString& executablePath) {
    if (program.isEmpty())
        return false;
    if (program == executablePath)
        return true;
    const QString found =
        QDir::isAbsolutePath(program) ? program : QStandardPaths::findExecutable(program);
    const QString canonical = QFileInfo(found).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(executablePath).canonicalFilePath();
}

QString xdgConfigHome() {
    const QString fromEnvironment = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(fromEnvironment)) {
        return fromEnvironment;
    }
    return QDir::homePath() + QStringLiteral("/.config");
}

QStringList xdgConfigDirs() {
    QStringList dirs;
    for (const QString& dir : qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'))) {
        if (QDir::isAbsolutePath(dir)) {
            dirs << dir;
        }
    }
    if (dirs.isEmpty()) {
        dirs << QStringLiteral("/etc/xdg");
    }
    return dirs;
}

} // namespace

XdgAutostart::XdgAutostart(QString userDirectory, QStringList systemDirectories,
                           QString executablePath, QString fileName)
    : userDirectory_(std::move(userDirectory))
    , systemDirectories_(std::move(systemDirectories))
    , executablePath_(std::move(executablePath))
    , fileName_(std::move(fileName)) {}

XdgAutostart XdgAutostart::forCurrentUser(const QString& executablePath) {
    QStringList systemDirectories;
    for (const QString& dir : xdgConfigDirs()) {
        systemDirectories << dir + QStringLiteral("/autostart");
    }
    return XdgAutostart(xdgConfigHome() + QStringLiteral("/autostart"), systemDirectories,
                        executablePath);
}

QString XdgAutostart::userEntryPath() const {
    return userDirectory_ + QLatin1Char('/') + fileName_;
}

bool XdgAutostart::isEnabled() const {
    if (QFileInfo::exists(userEntryPath())) {
        return isEnabledEntry(userEntryPath(), executablePath_);
    }
    return systemEntryEnabled();
}

bool XdgAutostart::systemEntryEnabled() const {
    for (const QString& dir : systemDirectories_) {
        const QString path = dir + QLatin1Char('/') + fileName_;
        if (QFileInfo::exists(path)) {
            return isEnabledEntry(path, executablePath_);
        }
    }
    return false;
}

bool XdgAutostart::enable(QString* error) {
    return write(entryText(executablePath_), error);
}

bool XdgAutostart::disable(QString* error) {
    if (systemEntryEnabled()) {
        return write(entryText(executablePath_, true), error);
    }
    QFile entry(userEntryPath());
    if (!entry.exists() || entry.remove()) {
        return true;
    }
    *error = entry.errorString();
    return false;
}

QByteArray XdgAutostart::entryText(const QString& executablePath, bool hidden) {
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Quillbar\n"
                                  "Comment=Names and emoji for your virtual desktops\n"
                                  "Exec=%1\n"
                                  "Terminal=false\n"
                                  "X-GNOME-Autostart-enabled=true\n")
                       .arg(execValue(executablePath));
    if (hidden) {
        text += QStringLiteral("Hidden=true\n");
    }
    return text.toUtf8();
}

bool XdgAutostart::write(const QByteArray& text, QString* error) const {
    if (!QDir().mkpath(userDirectory_)) {
        *error = QStringLiteral("cannot create %1").arg(userDirectory_);
        return false;
    }
    QSaveFile file(userEntryPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool XdgAutostart::isEnabledEntry(const QString& path, const QString& executablePath) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return false;
    }
    bool inMainGroup = false;
    bool sawMainGroup = false;
    QString type;
    QString exec;
    bool hidden = false;
    bool switchedOff = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            sawMainGroup = sawMainGroup || inMainGroup;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inMainGroup || equals <= 0) {
            continue;
        }
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Type")) {
            type = value;
        } else if (key == QLatin1String("Exec")) {
            exec = value;
        } else if (key == QLatin1String("Hidden")) {
            hidden = value == QLatin1String("true");
        } else if (key == QLatin1String("X-GNOME-Autostart-enabled")) {
            switchedOff = value == QLatin1String("false");
        }
    }
    return sawMainGroup && type == QLatin1String("Application") && !hidden && !switchedOff &&
           startsExecutable(execProgram(exec), executablePath);
}

QString XdgAutostart::sessionIgnoringEntries(const QString& currentDesktop) {
    // Their sessions run the commands of their own configuration, not the autostart folders.
    for (const QString& name : currentDesktop.toLower().split(QLatin1Char(':'))) {
        if (name == QLatin1String("sway") || name == QLatin1String("i3") ||
            name == QLatin1String("labwc"))
            return name;
    }
    return {};
}

QString XdgAutostart::currentSessionIgnoringEntries() {
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    if (!desktop.isEmpty())
        return sessionIgnoringEntries(desktop);
    if (!qEnvironmentVariableIsEmpty("SWAYSOCK"))
        return QStringLiteral("sway");
    if (!qEnvironmentVariableIsEmpty("I3SOCK"))
        return QStringLiteral("i3");
    return {};
}

} // namespace quillbar
