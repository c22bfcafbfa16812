// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace quillbar {

// Finds emoji by what they are called: their Unicode character names and a few everyday keywords,
// over the catalogue first and then every other emoji that Unicode shows as one by default.
namespace EmojiSearch {

// The longest query that is read; the rest is ignored.
constexpr int maxQueryLength = 64;

// Up to limit emoji (catalogue entries keep their selectors) whose words start with every word of
// query, case-insensitively; those with a whole word equal to the query's words come first, then
// the catalogue's order. An empty or blank query finds nothing.
QStringList find(const QString& query, int limit);

} // namespace EmojiSearch

} // namespace quillbar
