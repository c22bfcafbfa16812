// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quillbar {

// What a screen reader says for an emoji.
namespace EmojiName {

// The Unicode names of the emoji's characters in lower case, without variation selectors or
// joiners ("rocket", "heavy black heart"); a keycap reads "keycap 1". Empty text gives empty text.
QString of(const QString& emoji);

} // namespace EmojiName

} // namespace quillbar
