// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/EmojiInput.h"

#include <gtest/gtest.h>

#include <string>

namespace quillbar {
namespace {

// UTF-8 spelled out so the tests do not depend on how an editor shows emoji.
const std::string grinning = "\xF0\x9F\x98\x80";                          // U+1F600
const std::string party = "\xF0\x9F\x8E\x89";                             // U+1F389
const std::string heart = "\xE2\x9D\xA4";                                 // U+2764, text default
const std::string fe0f = "\xEF\xB8\x8F";                                  // U+FE0F
const std::string keycap = "1" + fe0f + "\xE2\x83\xA3";                   // 1 FE0F 20E3
const std::string flag = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";              // D E indicators
const std::string thumbsSkin = "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD";        // 1F44D 1F3FD
const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9" // man ZWJ woman
                           "\xE2\x80\x8D\xF0\x9F\x91\xA7";                // ZWJ girl

using Texts = std::initializer_list<std::string>;

// One code point needs emoji presentation; a cluster of several needs any emoji code point.
TEST(EmojiInput, IsEmoji) {
    for (const std::string& yes : Texts{grinning, heart + fe0f, keycap, flag, thumbsSkin, family,
                                        "1\xCC\x81"}) { // digit + combining acute
        EXPECT_TRUE(EmojiInput::isEmoji(yes)) << testing::PrintToString(yes);
    }
    for (const std::string& no : Texts{"", "1", "#", "\xC2\xA9", heart, "e\xCC\x81", "\xFF"})
        EXPECT_FALSE(EmojiInput::isEmoji(no)) << testing::PrintToString(no);
}

TEST(EmojiInput, NormaliseKeepsTheLastEmojiWhole) {
    const auto normalisesTo = [](const std::string& expected, Texts inputs) {
        for (const std::string& input : inputs)
            EXPECT_EQ(EmojiInput::normalise(input), expected) << testing::PrintToString(input);
    };
    // Ill-formed UTF-8 (bad bytes, a truncated U+1F600, a surrogate) reads as U+FFFD, no emoji.
    normalisesTo("", {"", "  ", "Mail 1", heart, "\xFF\xFE", "\xF0\x9F\x98"});
    normalisesTo(party, {grinning + " " + party, "\xED\xA0\x80" + party});
    // A skin tone after a space clusters with the space, which is not kept.
    normalisesTo("\xF0\x9F\x8F\xBD", {"and \xF0\x9F\x8F\xBD"});
    // Ends are trimmed with the full set: tab..CR, NEL, no-break and ideographic space.
    normalisesTo(grinning, {"a" + grinning + "b 2", grinning + "\xC0\xAF",
                            "\t\n\v\f\r\xC2\x85\xC2\xA0" + grinning + "\xE3\x80\x80\n"});
    for (const std::string& cluster : {heart + fe0f, keycap, flag, family, thumbsSkin}) {
        normalisesTo(cluster, {cluster, "x" + grinning + cluster + "!"});
    }
}

} // namespace
} // namespace quillbar
