// SPDX-License-Identifier: GPL-3.0-or-later
#include "observer/TextShortener.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace quillbar {

namespace {

constexpr std::string_view kEllipsis = "\u2026";

icu::UnicodeString toUnicode(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

// The longest start of text of at most limit bytes that does not end inside a UTF-8 sequence.
std::string_view wholeCodePoints(std::string_view text, std::size_t limit) {
    std::size_t end = std::min(limit, text.size());
    // Continuation bytes are 10xxxxxx; back off to the lead byte of a cut sequence.
    while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80 &&
           limit - end < 4) {
        --end;
    }
    return text.substr(0, end);
}

// The UTF-8 length of the code points between two UTF-16 offsets.
std::size_t utf8Length(const icu::UnicodeString& text, int32_t start, int32_t end) {
    std::size_t bytes = 0;
    for (int32_t at = start; at < end;) {
        const UChar32 c = text.char32At(at);
        bytes += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        at += U16_LENGTH(c);
    }
    return bytes;
}

// The code points of text that fit in kMaxBytes with the ellipsis, then the ellipsis: for a text
// whose first character alone is too long to show.
std::string cutWithin(const icu::UnicodeString& text) {
    int32_t end = 0;
    std::size_t bytes = 0;
    while (end < text.length()) {
        const std::size_t next = utf8Length(text, end, end + U16_LENGTH(text.char32At(end)));
        if (bytes + next + kEllipsis.size() > TextShortener::kMaxBytes) {
            break;
        }
        bytes += next;
        end += U16_LENGTH(text.char32At(end));
    }
    std::string result;
    text.tempSubString(0, end).toUTF8String(result);
    result.append(kEllipsis);
    return result;
}

} // namespace

TextShortener::TextShortener() = default;

TextShortener::~TextShortener() = default;

icu::BreakIterator* TextShortener::characters(const icu::UnicodeString& text) const {
    if (!iterator_) {
        UErrorCode status = U_ZERO_ERROR;
        iterator_.reset(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) {
            iterator_.reset();
        }
    }
    if (iterator_) {
        iterator_->setText(text);
    }
    return iterator_.get();
}

std::string TextShortener::shortened(std::string_view text) const {
    // Every character takes at least one byte, so short texts need no segmentation.
    if (text.size() <= kLimit) {
        return std::string(text);
    }
    // Only the part that can reach the result is read: kMaxBytes and the start of one more
    // character, which tells whether the last whole character read ends there.
    const bool readAll = text.size() <= kMaxBytes + 1;
    const std::string_view window = readAll ? text : wholeCodePoints(text, kMaxBytes + 4);
    const icu::UnicodeString unicode = toUnicode(window);
    icu::BreakIterator* iterator = characters(unicode);
    if (!iterator) {
        // No segmentation data: cut between code points rather than not at all.
        return readAll && text.size() <= kMaxBytes ? std::string(text) : cutWithin(unicode);
    }
    // Ends of the first characters (UTF-16 offsets) and the UTF-8 bytes up to each.
    std::vector<std::pair<int32_t, std::size_t>> ends;
    std::size_t bytes = 0;
    int32_t start = 0;
    for (int32_t boundary = iterator->next();
         boundary != icu::BreakIterator::DONE && ends.size() <= kLimit;
         boundary = iterator->next()) {
        bytes += utf8Length(unicode, start, boundary);
        start = boundary;
        ends.emplace_back(boundary, bytes);
    }
    if (!readAll && !ends.empty()) {
        ends.pop_back(); // the window's end need not be the end of a character
    }
    if (readAll && ends.size() <= kLimit && text.size() <= kMaxBytes) {
        return std::string(text);
    }
    // The most whole characters, up to kLimit - 1, that leave room for the ellipsis.
    int32_t cut = 0;
    for (std::size_t i = 0; i < ends.size() && i < kLimit - 1; ++i) {
        if (ends[i].second + kEllipsis.size() > kMaxBytes) {
            break;
        }
        cut = ends[i].first;
    }
    if (cut == 0) {
        return cutWithin(unicode);
    }
    std::string result;
    unicode.tempSubString(0, cut).toUTF8String(result);
    result.append(kEllipsis);
    return result;
}

std::size_t TextShortener::characterCount(std::string_view text) const {
    const icu::UnicodeString unicode = toUnicode(text);
    icu::BreakIterator* iterator = characters(unicode);
    if (!iterator) {
        return static_cast<std::size_t>(unicode.countChar32());
    }
    std::size_t count = 0;
    while (iterator->next() != icu::BreakIterator::DONE) {
        ++count;
    }
    return count;
}

} // namespace quillbar
