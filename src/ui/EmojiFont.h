// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>

namespace quillbar {

// How emoji are drawn: always with the colour emoji font, never with a monochrome fallback.
namespace EmojiFont {

// The colour emoji font at the given pixel size.
QFont font(int pixelSize);

// The text to draw for an emoji: the same scalars, except that a variation selector right before
// a combining keycap mark is left out, so the keycap draws as one glyph. Never used for storing.
QString displayText(const QString& emoji);

} // namespace EmojiFont

} // namespace quillbar
