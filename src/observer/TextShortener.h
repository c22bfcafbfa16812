// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class BreakIterator;
class UnicodeString;
U_NAMESPACE_END

namespace quillbar {

// Cuts text to a number of user-perceived characters (grapheme clusters): a flag, an emoji with
// modifiers or a letter with combining marks counts as one. A character can be any number of
// bytes long (a letter with 200,000 combining marks is one), so the result is bounded in bytes
// too. Keeps one ICU iterator for reuse.
class TextShortener {
public:
    // Texts of more than 20 characters become their first 19 characters and "…".
    static constexpr std::size_t kLimit = 20;
    // No result is longer than this many bytes of UTF-8: a longer text keeps the whole characters
    // that fit, then "…"; a first character longer than that on its own is cut between code points.
    static constexpr std::size_t kMaxBytes = 512;

    TextShortener();
    ~TextShortener();
    TextShortener(const TextShortener&) = delete;
    TextShortener& operator=(const TextShortener&) = delete;

    // The text whole when it has at most kLimit characters and kMaxBytes bytes; else at most
    // kLimit - 1 characters of it and "…", within kMaxBytes. Reads at most kMaxBytes + 4 bytes.
    std::string shortened(std::string_view text) const;
    // The number of grapheme clusters in the text (ill-formed UTF-8 counts as U+FFFD).
    std::size_t characterCount(std::string_view text) const;

private:
    // The shared character iterator set to text, or nullptr when ICU cannot make one.
    icu::BreakIterator* characters(const icu::UnicodeString& text) const;

    mutable std::unique_ptr<icu::BreakIterator> iterator_;
};

} // namespace quillbar
