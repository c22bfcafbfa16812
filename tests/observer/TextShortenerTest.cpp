// SPDX-License-Identifier: GPL-3.0-or-later
#include "observer/TextShortener.h"

#include <gtest/gtest.h>

#include <unicode/unistr.h>

#include <string>

namespace quillbar {
namespace {

std::string times(std::size_t count, const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out += text;
    }
    return out;
}

// Whether text is well-formed UTF-8 (no sequence cut in half).
bool wellFormed(const std::string& text) {
    std::string back;
    icu::UnicodeString::fromUTF8(text).toUTF8String(back);
    return back == text;
}

TEST(TextShortenerTest, ResultsAreBoundedInBytesAndCutOnlyBetweenCharactersOrCodePoints) {
    const TextShortener shortener;
    const std::string acute = "\u0301";
    const std::string ellipsis = "\u2026";
    // One character of 200,000 combining marks: cut between code points, within the bound.
    const std::string zalgo = shortener.shortened("e" + times(200000, acute) + " and more");
    EXPECT_LE(zalgo.size(), TextShortener::kMaxBytes);
    EXPECT_GT(zalgo.size(), TextShortener::kMaxBytes - 4);
    EXPECT_TRUE(zalgo.starts_with("e" + acute) && zalgo.ends_with(ellipsis));
    EXPECT_TRUE(wellFormed(zalgo));

    // 32 bytes a character: 16 of them fill the bound exactly and stay whole; one more byte cuts
    // to the whole characters that leave room for the ellipsis.
    const std::string wide = "\u00e9" + times(15, acute);
    ASSERT_EQ(wide.size(), 32u);
    EXPECT_EQ(shortener.shortened(times(16, wide)), times(16, wide));
    EXPECT_EQ(shortener.shortened(times(16, wide) + "x"), times(15, wide) + ellipsis);
}

} // namespace
} // namespace quillbar
