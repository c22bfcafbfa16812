#include "observer/TextShortener.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace quillbar {

namespace {

constexpr std::string_view kEllipsis = "\u2026";

icu::UnicodeString toUnicode(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
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
    const icu::UnicodeString unicode = toUnicode(text);
    icu::BreakIterator* iterator = characters(unicode);
    if (!iterator) {
        return std::string(text); // no segmentation data: better whole than cut mid-character
    }
    int32_t cut = 0; // end of the first kLimit - 1 characters
    std::size_t count = 0;
    for (int32_t boundary = iterator->next(); boundary != icu::BreakIterator::DONE;
         boundary = iterator->next()) {
        ++count;
        if (count == kLimit - 1) {
            cut = boundary;
        } else if (count > kLimit) {
            std::string result;
            unicode.tempSubString(0, cut).toUTF8String(result);
            result.append(kEllipsis);
            return result;
        }
    }
    return std::string(text);
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
