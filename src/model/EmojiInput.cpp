// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/EmojiInput.h"

#include "model/UnicodeText.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cstdint>
#include <memory>

namespace quillbar::EmojiInput {
namespace {

icu::UnicodeString toUnicode(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())));
}

// The longest emoji sequences in use (families with skin tones, flag tag sequences) have about
// ten code points; a longer cluster is built to make drawing slow, not to be shown.
constexpr std::int32_t maxEmojiScalars = 32;

bool isEmojiCharacter(const icu::UnicodeString& character) {
    const std::int32_t scalars = character.countChar32(0, 4 * maxEmojiScalars);
    if (scalars == 0 || scalars > maxEmojiScalars) {
        return false;
    }
    if (scalars == 1) {
        return u_hasBinaryProperty(character.char32At(0), UCHAR_EMOJI_PRESENTATION);
    }
    for (std::int32_t i = 0; i < character.length(); i = character.moveIndex32(i, 1)) {
        if (u_hasBinaryProperty(character.char32At(i), UCHAR_EMOJI)) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string normalise(std::string_view text) {
    const icu::UnicodeString input = toUnicode(UnicodeText::trimmed(text));
    if (input.isEmpty()) {
        return {};
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> characters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !characters) {
        return {};
    }
    characters->setText(input);

    // Walk the grapheme clusters from the last one back: the last emoji wins.
    std::int32_t end = characters->last();
    for (std::int32_t start = characters->previous(); start != icu::BreakIterator::DONE;
         end = start, start = characters->previous()) {
        icu::UnicodeString character(input, start, end - start);
        if (isEmojiCharacter(character)) {
            std::string out;
            character.toUTF8String(out);
            // A modifier or joiner after a space clusters with it (" 🏽"); the space is no part
            // of the emoji, and without it the rule gives the same answer again.
            return UnicodeText::trimmed(out);
        }
    }
    return {};
}

bool isEmoji(std::string_view character) {
    return isEmojiCharacter(toUnicode(character));
}

} // namespace quillbar::EmojiInput
