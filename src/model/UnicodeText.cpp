// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/UnicodeText.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace quillbar::UnicodeText {
namespace {

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t i = 0;
    while (i < length) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            return false;
        }
    }
    return true;
}

icu::UnicodeString toUnicode(std::string_view text) {
    // fromUTF8 replaces ill-formed sequences with U+FFFD.
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())));
}

std::string toUtf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

} // namespace

bool isTrimmable(char32_t c) {
    if ((c >= 0x09 && c <= 0x0D) || c == 0x85) {
        return true;
    }
    const auto category = u_charType(static_cast<UChar32>(c));
    return category == U_SPACE_SEPARATOR || category == U_LINE_SEPARATOR ||
           category == U_PARAGRAPH_SEPARATOR;
}

std::string toValidUtf8(std::string_view text) {
    if (isValidUtf8(text)) {
        return std::string(text);
    }
    return toUtf8(toUnicode(text));
}

std::string toNFC(std::string_view text) {
    if (isAscii(text)) {
        return std::string(text); // ASCII is always NFC
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    const icu::UnicodeString source = toUnicode(text);
    if (U_FAILURE(status)) {
        return toUtf8(source);
    }
    const icu::UnicodeString normalised = nfc->normalize(source, status);
    return toUtf8(U_SUCCESS(status) ? normalised : source);
}

std::string trimmed(std::string_view input) {
    const std::string text = toValidUtf8(input);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());

    std::int32_t begin = 0;
    while (begin < length) {
        std::int32_t next = begin;
        UChar32 c;
        U8_NEXT(bytes, next, length, c);
        if (!isTrimmable(static_cast<char32_t>(c))) {
            break;
        }
        begin = next;
    }
    std::int32_t end = length;
    while (end > begin) {
        std::int32_t previous = end;
        UChar32 c;
        U8_PREV(bytes, begin, previous, c);
        if (!isTrimmable(static_cast<char32_t>(c))) {
            break;
        }
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

std::string prefix(std::string_view input, std::size_t maxClusters, std::size_t maxBytes) {
    const std::string text = toValidUtf8(input);
    if (text.size() <= maxClusters && text.size() <= maxBytes) {
        return text; // fewer bytes than allowed clusters: nothing to count
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> clusters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !clusters) {
        return {};
    }
    // A UTF-8 text iterator reports boundaries as byte offsets into text itself.
    UText* utext =
        utext_openUTF8(nullptr, text.data(), static_cast<std::int64_t>(text.size()), &status);
    if (U_FAILURE(status)) {
        return {};
    }
    clusters->setText(utext, status);
    std::size_t end = 0;
    std::size_t counted = 0;
    for (std::int32_t next = clusters->next();
         next != icu::BreakIterator::DONE && counted < maxClusters &&
         static_cast<std::size_t>(next) <= maxBytes;
         next = clusters->next(), ++counted) {
        end = static_cast<std::size_t>(next);
    }
    utext_close(utext);
    if (end == 0 && maxClusters > 0 && !text.empty()) {
        // The first cluster alone is too long: keep its whole code points that fit.
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
        const auto length = static_cast<std::int32_t>(std::min(text.size(), maxBytes));
        std::int32_t i = 0;
        while (i < length) {
            std::int32_t next = i;
            UChar32 c;
            U8_NEXT(bytes, next, static_cast<std::int32_t>(text.size()), c);
            if (next > length) {
                break;
            }
            i = next;
        }
        end = static_cast<std::size_t>(i);
    }
    return text.substr(0, end);
}

} // namespace quillbar::UnicodeText
