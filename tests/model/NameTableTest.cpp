#include "model/NameTable.h"

#include <gtest/gtest.h>

#include <string>

namespace quillbar {
namespace {

const std::string grinning = "\xF0\x9F\x98\x80"; // U+1F600

TEST(NameTableEncode, WritesCompactObjectWithBothMembers) {
    const NameTable table{{"uuid-A", {"Mail", grinning}}, {"msid-7", {"", grinning}}};
    EXPECT_EQ(encodeNameTable(table), R"({"msid-7":{"emoji":")" + grinning +
                                          R"(","name":""},"uuid-A":{"emoji":")" + grinning +
                                          R"(","name":"Mail"}})");
    EXPECT_EQ(encodeNameTable({}), "{}");
}

TEST(NameTableEncode, RoundTripsNonAsciiAndEscapes) {
    const NameTable table{
        {"\xC3\xBC-space", {"Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC", grinning}}, // ü, é, 日本
        {"quotes", {"say \"hi\"\\\ttab", ""}},
        {"", {"\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9", ""}},
    };
    const std::string json = encodeNameTable(table);
    EXPECT_NE(json.find(grinning), std::string::npos) << "non-ASCII is written unescaped";
    EXPECT_EQ(json.find('\n'), std::string::npos);
    EXPECT_EQ(decodeNameTable(json), table);
}

TEST(NameTableEncode, IllFormedUtf8BecomesReplacementCharacter) {
    const std::string json = encodeNameTable({{"k\xFF", {"a\xC0", ""}}});
    const auto decoded = decodeNameTable(json);
    ASSERT_TRUE(decoded.has_value()) << json;
    EXPECT_EQ(*decoded, (NameTable{{"k\xEF\xBF\xBD", {"a\xEF\xBF\xBD", ""}}}));
}

TEST(NameTableDecode, AcceptsAnyOrderWhitespaceAndExtraMembers) {
    const auto decoded = decodeNameTable(
        " {\n \"b\" : {\"emoji\":\"\", \"name\":\"B\", \"colour\": 3},\"a\":{\"name\":\"A\","
        "\"emoji\":\"x\",\"extra\":{\"n\":[1]}}}\n");
    EXPECT_EQ(decoded, (NameTable{{"a", {"A", "x"}}, {"b", {"B", ""}}}));
    EXPECT_EQ(decodeNameTable("{}"), NameTable{});
}

TEST(NameTableDecode, OneBadEntryFailsTheWholeTable) {
    const char* const unreadable[] = {
        "",
        "not json",
        "[]",
        "\"text\"",
        "null",
        R"({"a":{"name":"A","emoji":"x"})", // truncated
        R"({"a":1})",
        R"({"a":{"name":"A"}})",
        R"({"a":{"emoji":"x"}})",
        R"({"a":{"name":1,"emoji":"x"}})",
        R"({"a":{"name":"A","emoji":null}})",
        R"({"good":{"name":"A","emoji":""},"bad":{"name":"B"}})",
        "{\"a\":{\"name\":\"\xFF\",\"emoji\":\"\"}}",
    };
    for (const char* text : unreadable) {
        EXPECT_EQ(decodeNameTable(text), std::nullopt) << text;
    }
}

TEST(NameTableDecode, KeysComeBackComposed) {
    // "e" + combining acute (decomposed) is canonically equivalent to U+00E9.
    const auto decoded = decodeNameTable("{\"Caf"
                                         "e\xCC\x81\":{\"name\":\"N\",\"emoji\":\"\"}}");
    EXPECT_EQ(decoded, (NameTable{{"Caf\xC3\xA9", {"N", ""}}}));
}

} // namespace
} // namespace quillbar
