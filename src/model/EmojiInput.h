// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

// The rule that reduces any text to at most one emoji character.
namespace quillbar::EmojiInput {

// The last emoji character (grapheme cluster) of the text, with all its code points, or the
// empty text when there is none. Ill-formed UTF-8 counts as U+FFFD, which is not an emoji.
std::string normalise(std::string_view text);

// Whether one character (grapheme cluster) counts as an emoji: a single code point with
// default emoji presentation, or several code points (at most 32) of which at least one is an
// emoji.
bool isEmoji(std::string_view character);

} // namespace quillbar::EmojiInput
