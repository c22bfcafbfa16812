#include "model/EmojiInput.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace quillbar {
namespace {

// UTF-8 spelled out so the tests do not depend on how an editor shows emoji.
const std::string grinning = "\xF0\x9F\x98\x80";                           // U+1F600
const std::string partyPopper = "\xF0\x9F\x8E\x89";                        // U+1F389
const std::string heart = "\xE2\x9D\xA4";                                  // U+2764
const std::string variationSelector16 = "\xEF\xB8\x8F";                    // U+FE0F
const std::string keycapOne = "1" + variationSelector16 + "\xE2\x83\xA3";  // 1 FE0F 20E3
const std::string germanFlag = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";         // D E indicators
const std::string thumbsUpMediumSkin = "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"; // 1F44D 1F3FD
const std::string zwj = "\xE2\x80\x8D";
const std::string family = "\xF0\x9F\x91\xA8" + zwj + "\xF0\x9F\x91\xA9" + zwj +
                           "\xF0\x9F\x91\xA7"; // man ZWJ woman ZWJ girl

TEST(EmojiInputIsEmoji, SingleScalarNeedsEmojiPresentation) {
    EXPECT_TRUE(EmojiInput::isEmoji(grinning));
    EXPECT_FALSE(EmojiInput::isEmoji(""));
    EXPECT_FALSE(EmojiInput::isEmoji("1"));
    EXPECT_FALSE(EmojiInput::isEmoji("#"));
    EXPECT_FALSE(EmojiInput::isEmoji("\xC2\xA9")); // U+00A9
    EXPECT_FALSE(EmojiInput::isEmoji(heart));
    EXPECT_FALSE(EmojiInput::isEmoji("a"));
}

TEST(EmojiInputIsEmoji, SequenceNeedsAnyEmojiScalar) {
    EXPECT_TRUE(EmojiInput::isEmoji(heart + variationSelector16));
    EXPECT_TRUE(EmojiInput::isEmoji(keycapOne));
    EXPECT_TRUE(EmojiInput::isEmoji(germanFlag));
    EXPECT_TRUE(EmojiInput::isEmoji(thumbsUpMediumSkin));
    EXPECT_TRUE(EmojiInput::isEmoji(family));
    EXPECT_TRUE(EmojiInput::isEmoji("1\xCC\x81")); // digit + combining acute: digit is Emoji
    EXPECT_FALSE(EmojiInput::isEmoji("e\xCC\x81"));
}

TEST(EmojiInputNormalise, KeepsTheLastEmojiWhole) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"   ", ""},
        {"Mail", ""},
        {"1", ""},
        {heart, ""},
        {" " + grinning + " ", grinning},
        {grinning + " " + partyPopper, partyPopper},
        {"a" + grinning + "b 2", grinning},
        {heart + variationSelector16, heart + variationSelector16},
        {"x" + keycapOne, keycapOne},
        {germanFlag, germanFlag},
        {grinning + family, family},
        {thumbsUpMediumSkin + "!", thumbsUpMediumSkin},
        // Ends trimmed with the full set: tab..CR, NEL, no-break and ideographic space.
        {"\t\n\v\f\r\xC2\x85\xC2\xA0" + grinning + "\xE3\x80\x80\n", grinning},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(EmojiInput::normalise(input), expected)
            << "input: " << testing::PrintToString(input);
    }
}

TEST(EmojiInputNormaliseInvalidUtf8, TreatsBadBytesAsTextWithoutEmoji) {
    EXPECT_EQ(EmojiInput::normalise("\xFF\xFE"), "");
    EXPECT_EQ(EmojiInput::normalise("\xF0\x9F\x98"), ""); // truncated U+1F600
    EXPECT_EQ(EmojiInput::normalise(grinning + "\xC0\xAF"), grinning);
    EXPECT_EQ(EmojiInput::normalise("\xED\xA0\x80" + partyPopper), partyPopper); // surrogate
    EXPECT_FALSE(EmojiInput::isEmoji("\xFF"));
}

} // namespace
} // namespace quillbar
