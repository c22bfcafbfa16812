// SPDX-License-Identifier: GPL-3.0-or-later
#include "observer/TextShortener.h"
#include "observer/ValueCoercion.h"

#include <gtest/gtest.h>

#include <unicode/unistr.h>

#include <cmath>
#include <limits>

namespace quillbar {
namespace {

using nlohmann::json;
using namespace ValueCoercion;
using Int = std::optional<std::int64_t>;

constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
constexpr auto kMax = std::numeric_limits<std::int64_t>::max();

// Numbers drop their fraction; text must be exactly sign and digits; both must fit 64 bits.
TEST(ValueCoercion, Integers) {
    const json good = json::array({12, 3.9, -3.9, -9223372036854775808.0, "12", "+12", "-007",
                                   "-9223372036854775808", "9223372036854775807"});
    const std::vector<std::int64_t> expected = {12, 3, -3, kMin, 12, 12, -7, kMin, kMax};
    for (std::size_t i = 0; i < good.size(); ++i) {
        EXPECT_EQ(intValue(good[i]), Int(expected[i])) << good[i].dump();
    }
    json bad = json::array({"9223372036854775808", "-9223372036854775809", "", "+", "-", "+-1",
                            " 12", "12 ", "1 2", "1.5", "1e3", "0x10", "twelve", "\xef\xbc\x99"});
    for (const json& other :
         {json(std::numeric_limits<std::uint64_t>::max()), json(9.3e18), json(std::nan("")),
          json(INFINITY), json(true), json(), json::array()}) {
        bad.push_back(other);
    }
    for (const json& value : bad) {
        EXPECT_EQ(int64Value(value), Int()) << value.dump();
    }
    // Keyed: the first key whose value converts wins.
    const std::initializer_list<std::string_view> keys = {"ManagedSpaceID", "id64"};
    EXPECT_EQ(int64Value(json{{"ManagedSpaceID", "1.5"}, {"id64", 9}}, keys), Int(9));
    EXPECT_EQ(int64Value(json{{"ManagedSpaceID", 4}, {"id64", 9}}, keys), Int(4));
    EXPECT_EQ(int64Value(json{{"other", 4}}, keys), Int());
    EXPECT_EQ(int64Value(json::array({json{{"id64", 9}}}), keys), Int());
}

TEST(ValueCoercion, DoublesAndRectangles) {
    EXPECT_EQ(doubleValue(json(0.25), 1.0), 0.25);
    EXPECT_EQ(doubleValue(json(3), 1.0), 3.0);
    EXPECT_EQ(doubleValue(json("0.5"), 1.0), 0.5);
    EXPECT_EQ(doubleValue(json("+2e1"), 1.0), 20.0);
    for (const json& bad : json::array({"", " 1", "1 ", "abc", "+-1", "1e999", false, nullptr})) {
        EXPECT_EQ(doubleValue(bad, -1.0), -1.0) << bad.dump();
    }
    const json rect = {{"X", 1}, {"Y", "2"}, {"Width", 3.5}, {"Height", 4}};
    EXPECT_EQ(rectValue(rect), (Rect{1, 2, 3.5, 4}));
    for (const json& height : json::array({nullptr, "tall", "nan"})) {
        json broken = rect;
        broken["Height"] = height;
        EXPECT_EQ(rectValue(broken), std::nullopt) << height.dump();
    }
    EXPECT_EQ(rectValue(json::array({1, 2, 3, 4})), std::nullopt);
}

TEST(ValueCoercion, StringsAreTextOrANumbersDecimalText) {
    const json d = {{"text", "abc"}, {"neg", -7}, {"whole", 3.0}, {"flag", true}};
    const std::map<std::string, std::optional<std::string>> expected = {
        {"text", "abc"}, {"neg", "-7"}, {"whole", "3"}, {"flag", std::nullopt}, {"missing", {}}};
    for (const auto& [key, text] : expected) {
        EXPECT_EQ(stringValue(d, key), text) << key;
    }
    EXPECT_EQ(stringValue(json("text"), "text"), std::nullopt);
}

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
