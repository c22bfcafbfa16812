// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/NameTable.h"

#include <gtest/gtest.h>

#include <string>

namespace quillbar {
namespace {

const std::string grinning = "\xF0\x9F\x98\x80"; // U+1F600

TEST(NameTable, WritesCompactUnescapedJsonAndReadsItBackLeniently) {
    EXPECT_EQ(encodeNameTable({{"uuid-A", {"Mail", grinning}}, {"msid-7", {"", ""}}}),
              R"({"msid-7":{"emoji":"","name":""},"uuid-A":{"emoji":")" + grinning +
                  R"(","name":"Mail"}})");
    const NameTable table{{"\xC3\xBC-space", {"Caf\xC3\xA9 \xE6\x97\xA5", grinning}},
                          {"quotes", {"say \"hi\"\\\ttab\nline", ""}}};
    EXPECT_EQ(decodeNameTable(encodeNameTable(table)), table);
    // Ill-formed UTF-8 is written as U+FFFD, so the text always reads back.
    EXPECT_EQ(decodeNameTable(encodeNameTable({{"k\xFF", {"a\xC0", ""}}})),
              (NameTable{{"k\xEF\xBF\xBD", {"a\xEF\xBF\xBD", ""}}}));
    // Reading ignores order, white space and extra members, and composes keys.
    EXPECT_EQ(decodeNameTable(" {\n \"b\" : {\"emoji\":\"\", \"name\":\"B\", \"colour\": 3},"
                              "\"cafe\xCC\x81\":{\"name\":\"A\",\"emoji\":\"x\",\"n\":[1]}}\n"),
              (NameTable{{"b", {"B", ""}}, {"caf\xC3\xA9", {"A", "x"}}}));
    EXPECT_EQ(decodeNameTable("{}"), NameTable{});
}

TEST(NameTable, OneBadEntryFailsTheWholeTable) {
    for (const char* text :
         {"", "not json", "[]", "null", R"({"a":{"name":"A","emoji":"x"})", R"({"a":1})",
          R"({"a":{"name":"A"}})", R"({"a":{"emoji":"x"}})", R"({"a":{"name":1,"emoji":"x"}})",
          R"({"good":{"name":"A","emoji":""},"bad":{"name":"B"}})",
          "{\"a\":{\"name\":\"\xFF\",\"emoji\":\"\"}}"}) {
        EXPECT_EQ(decodeNameTable(text), std::nullopt) << text;
    }
}

} // namespace
} // namespace quillbar
