// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

namespace quillbar {

// One release announced by an update feed.
struct AppcastItem {
    QString title;
    QString version;      // the build's version, used for ordering (sparkle:version)
    QString shortVersion; // the version people see (sparkle:shortVersionString)
    QUrl downloadURL;     // the download page (link), else the enclosure's address
    QString releaseNotes; // the item's description, as the feed has it (may be HTML)
    QUrl releaseNotesURL; // sparkle:releaseNotesLink

    // The version to show: shortVersion when the feed gives one, else version.
    QString displayVersion() const { return shortVersion.isEmpty() ? version : shortVersion; }

    friend bool operator==(const AppcastItem&, const AppcastItem&) = default;
};

} // namespace quillbar
