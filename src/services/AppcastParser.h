// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services/AppcastItem.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace quillbar {

// Reads update feeds: RSS 2.0 documents whose items carry sparkle:version (as an element or as
// an attribute of the enclosure), sparkle:shortVersionString, a link or an enclosure, and
// optional release notes.
namespace AppcastParser {

// The feed's items that carry a version, in document order; nullopt when the document is not
// well-formed XML, nests elements more than 64 deep or is not an RSS feed, with the reason in
// error. Reads iteratively: time and memory grow with the document's size only.
std::optional<QList<AppcastItem>> parse(const QByteArray& document, QString& error);

// The item with the highest version, if any is newer than currentVersion.
std::optional<AppcastItem> newestNewerThan(const QList<AppcastItem>& items,
                                           const QString& currentVersion);

} // namespace AppcastParser

} // namespace quillbar
