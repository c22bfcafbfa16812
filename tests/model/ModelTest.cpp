// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/EmojiInput.h"
#include "model/MemoryDefaults.h"
#include "model/NameTable.h"
#include "model/Published.h"
#include "model/SpaceNameStore.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace quillbar {
namespace {

const std::string tableKey(SpaceNameStore::defaultsKey);
const std::string backupKey(SpaceNameStore::unreadableKey);
const std::string grinning = "\xF0\x9F\x98\x80"; // U+1F600
const std::string rocket = "\xF0\x9F\x9A\x80";   // U+1F680
using Problems = std::vector<std::optional<std::string>>;

std::string times(int n, const std::string& text) {
    std::string out;
    while (n-- > 0)
        out += text;
    return out;
}
// Woman, then 60 times ZWJ woman: one cluster, too long for an emoji.
const std::string zwj = "\xF0\x9F\x91\xA9" + times(60, "\xE2\x80\x8D\xF0\x9F\x91\xA9");

class SpaceNameStoreTest : public testing::Test {
protected:
    void storeTable(const NameTable& table) { defaults.setData(tableKey, encodeNameTable(table)); }
    // The table as it is persisted right now.
    std::optional<NameTable> persisted() const {
        const auto bytes = defaults.data(tableKey);
        return bytes ? decodeNameTable(*bytes) : std::nullopt;
    }
    MemoryDefaults defaults;
};

TEST_F(SpaceNameStoreTest, LoadsWithoutWritingAndKeepsEditsWhenWritesFail) {
    EXPECT_TRUE(SpaceNameStore(defaults).assignments().empty());
    defaults.setText(tableKey, R"({"a":{"name":"A","emoji":""}})"); // text, not data: still read
    EXPECT_EQ(SpaceNameStore(defaults).assignments(), (NameTable{{"a", {"A", ""}}}));
    EXPECT_EQ(defaults.writeCount(), 0u);
    // Stored names are kept whole until edited; stored emoji follow the input rule.
    const std::string longName(1000, 'n');
    storeTable({{"long", {longName, "ab" + grinning}}, {"zwj", {"Z", zwj}}});
    EXPECT_EQ(SpaceNameStore(defaults).assignments(),
              (NameTable{{"long", {longName, grinning}}, {"zwj", {"Z", ""}}}));
    EXPECT_EQ(defaults.writeCount(), 1u);
    storeTable({{"uuid-A", {"Mail", grinning}}});
    SpaceNameStore store(defaults);
    EXPECT_EQ(store.assignment("uuid-A"), (SpaceAssignment{"Mail", grinning}));
    Problems problems;
    auto watch = store.subscribeSaveProblem([&](const auto& p) { problems.push_back(p); });
    defaults.setFailing(true, "No space left on device");
    store.updateName("B", "b");
    store.updateName("C", "c");
    EXPECT_EQ(store.assignment("b").name, "B");
    EXPECT_EQ(store.saveProblem(), "No space left on device");
    EXPECT_FALSE(store.retrySave());
    EXPECT_EQ(persisted(), (NameTable{{"uuid-A", {"Mail", grinning}}}));
    defaults.setFailing(false); // the retry writes every name typed meanwhile
    EXPECT_TRUE(store.retrySave());
    EXPECT_EQ(persisted(),
              (NameTable{{"uuid-A", {"Mail", grinning}}, {"b", {"B", ""}}, {"c", {"C", ""}}}));
    EXPECT_EQ(problems, (Problems{"No space left on device", std::nullopt}));
    EXPECT_TRUE(store.retrySave()); // nothing left: no write
    EXPECT_EQ(defaults.writeCount(), 3u);
}

// Names are cleaned and cut to 256 clusters and 4 KiB; an entry left empty goes. Every update is
// announced once it is in place and before it is written.
TEST_F(SpaceNameStoreTest, CleansAndBoundsEditsAnnouncesThemAndRemovesEmptyEntries) {
    SpaceNameStore store(defaults);
    std::vector<std::tuple<NameTable, NameTable, std::size_t>> seen; // in place, told, writes
    auto watch = store.subscribe([&](const NameTable& next) {
        seen.emplace_back(store.assignments(), next, defaults.writeCount());
    });
    store.updateName("Mail", ""); // an empty key changes, announces and writes nothing
    store.updateEmoji(grinning, "");
    store.updateName("Mail", "k");
    store.updateName("Mail", "k"); // unchanged, still announced and saved
    const NameTable mail{{"k", {"Mail", ""}}};
    EXPECT_EQ(seen, (decltype(seen){{mail, mail, 0u}, {mail, mail, 1u}}));

    const std::string marks = "a" + times(3000, "\xCC\x81"); // one cluster of 6001 bytes
    const std::pair<std::string, std::string> names[] = {
        {"A\nB", "A B"},
        {" \t\xE3\x80\x80Mail\xC2\x85\r\n \n", "Mail"},    // ideographic space, NEL
        {"a\tb\rc  d", "a\tb\rc  d"},                      // inner characters stay
        {times(300, "e\xCC\x81"), times(256, "\xC3\xA9")}, // composed, 256 clusters
        {marks, "\xC3\xA1" + times(2047, "\xCC\x81")},     // whole code points up to 4096 bytes
        {std::string(5000, 'x'), std::string(256, 'x')},
        {"bad\xFF", "bad\xEF\xBF\xBD"}};
    for (const auto& [input, stored] : names) {
        store.updateName(input, "k");
        EXPECT_EQ(store.assignment("k").name, stored) << testing::PrintToString(input);
    }
    store.updateEmoji(zwj, "k");
    EXPECT_EQ(store.assignment("k").emoji, "");
    store.updateEmoji("x " + grinning, "k");
    EXPECT_EQ(persisted(), (NameTable{{"k", {"bad\xEF\xBF\xBD", grinning}}}));
    store.updateName(" \n\n  ", "k");
    store.updateEmoji("no emoji here", "k");
    EXPECT_TRUE(store.assignments().empty());
    EXPECT_EQ(persisted(), NameTable{});
}

TEST_F(SpaceNameStoreTest, PruneRemovesOnlyUnkeptKeysUnderCanonicalEquivalence) {
    storeTable({{"caf\xC3\xA9", {"A", ""}}, {"b", {"B", ""}}, {"c", {"", rocket}}});
    SpaceNameStore store(defaults);
    int announcements = 0;
    auto subscription = store.subscribe([&](const NameTable&) { ++announcements; });
    store.prune({}); // a detection that found nothing never wipes the table
    store.prune({"cafe\xCC\x81", "b", "c", "unknown"});
    EXPECT_EQ(store.assignments().size(), 3u);
    EXPECT_EQ(announcements, 0);
    EXPECT_EQ(defaults.writeCount(), 1u);

    store.prune({"cafe\xCC\x81", "unknown"});
    store.updateEmoji(rocket, "cafe\xCC\x81");
    EXPECT_EQ(store.assignments(), (NameTable{{"caf\xC3\xA9", {"A", rocket}}}));
    EXPECT_EQ(announcements, 2);
    EXPECT_EQ(persisted(), store.assignments());
}

// Whatever sits under the table's key and does not read as a table is kept aside (as text when it
// is not data) before the first save replaces it, and left in place while it cannot be.
TEST_F(SpaceNameStoreTest, AnUnreadableValueIsKeptAsideBeforeTheFirstSave) {
    const std::string damaged = R"({"a":{"name":"A","emoji":""},"b":{"name":"B"}})";
    const std::pair<std::function<void()>, std::string> kinds[] = {
        {[&] { defaults.setData(tableKey, damaged); }, damaged},
        {[&] { defaults.setText(tableKey, "{a:{name:A"); }, "{a:{name:A"},
        {[&] { defaults.setBool(tableKey, true); }, "true"}};
    for (const auto& [put, kept] : kinds) {
        SCOPED_TRACE(kept);
        put();
        defaults.setData(backupKey, "an older unreadable table");
        const std::size_t writes = defaults.writeCount();
        SpaceNameStore store(defaults);
        EXPECT_TRUE(store.assignments().empty());
        store.prune({"x"}); // removes nothing, so writes nothing
        defaults.setFailing(backupKey, true);
        store.updateName("New", "c");
        EXPECT_EQ(defaults.writeCount(), writes);
        defaults.setFailing(backupKey, false);
        store.updateEmoji(rocket, "c");
        store.updateName("Newer", "c");
        EXPECT_EQ(defaults.data(backupKey), kept) << "the latest unreadable value wins";
        EXPECT_EQ(persisted(), (NameTable{{"c", {"Newer", rocket}}}));
        EXPECT_EQ(
            std::vector(defaults.writtenKeys().begin() + writes, defaults.writtenKeys().end()),
            (std::vector<std::string>{backupKey, tableKey, tableKey}));
    }
}

// Unread (unreadable, or told to wait), edits stay in memory unwritten and then go on top of the
// table as read (a cleared name stays cleared); after stopWriting() (another instance) no writes.
TEST_F(SpaceNameStoreTest, EditsMadeBeforeTheTableIsReadGoOnTopOfItAndStoppingEndsWrites) {
    const std::optional<std::string> problem = "cannot read quillbar.conf (Permission denied)";
    for (const bool later : {false, true}) {
        SCOPED_TRACE(later ? "told to read later" : "cannot read");
        storeTable({{"a", {"Old", ""}}, {"b", {"Old", ""}}, {"d", {"Cleared", ""}}});
        defaults.setReadProblem(later ? std::nullopt : problem);
        const std::size_t reloads = defaults.reloadCount(), writes = defaults.writeCount();
        SpaceNameStore store(defaults,
                             later ? SpaceNameStore::Loading::Later : SpaceNameStore::Loading::Now);
        Problems problems;
        auto watch = store.subscribeStorageProblem([&](const auto& p) { problems.push_back(p); });
        EXPECT_EQ(store.storageProblem(), later ? std::nullopt : problem);
        store.updateName("New", "b");
        store.updateName("Typed", "c");
        store.updateName("Cleared", "d");
        store.updateName("", "d");
        store.prune({"b", "c"});
        EXPECT_EQ(store.assignments(), (NameTable{{"b", {"New", ""}}, {"c", {"Typed", ""}}}));
        EXPECT_EQ(defaults.writeCount(), writes);
        EXPECT_EQ(defaults.reloadCount() == reloads, later);
        EXPECT_TRUE(later || !store.load()); // a read that fails, only while it cannot read

        defaults.setReadProblem(std::nullopt);
        storeTable({{"a", {"Newer", ""}}, {"b", {"Old", ""}}, {"d", {"Cleared", ""}}});
        if (later) {
            EXPECT_TRUE(store.load());
        }
        store.updateEmoji(rocket, "c");
        const NameTable merged{{"a", {"Newer", ""}}, {"b", {"New", ""}}, {"c", {"Typed", rocket}}};
        EXPECT_EQ(store.assignments(), merged);
        EXPECT_EQ(persisted(), merged);
        EXPECT_EQ(problems, later ? Problems{} : Problems{std::nullopt});

        store.stopWriting();
        const std::size_t written = defaults.writeCount();
        store.updateName("Late", "a");
        store.prune({"a"});
        EXPECT_EQ(store.assignments(), (NameTable{{"a", {"Late", ""}}}));
        EXPECT_EQ(defaults.writeCount(), written);
    }
}

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
    // One bad entry fails the whole table.
    for (const char* text :
         {"", "not json", "[]", "null", R"({"a":{"name":"A","emoji":"x"})", R"({"a":1})",
          R"({"a":{"name":"A"}})", R"({"a":{"emoji":"x"}})", R"({"a":{"name":1,"emoji":"x"}})",
          R"({"good":{"name":"A","emoji":""},"bad":{"name":"B"}})",
          "{\"a\":{\"name\":\"\xFF\",\"emoji\":\"\"}}"}) {
        EXPECT_EQ(decodeNameTable(text), std::nullopt) << text;
    }
}

// UTF-8 spelled out so the tests do not depend on how an editor shows emoji.
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

TEST(Published, ASetInsideAHandlerIsStoredAndToldAtOnceWhileTheOuterGoesOnWithItsOwnValue) {
    Published<std::vector<int>> published;
    std::vector<std::string> heard;
    const auto describe = [&](const char* who, const std::vector<int>& v) {
        heard.push_back(std::string(who) + ":" + std::to_string(v.size()) + "/" +
                        std::to_string(published.value().size()));
    };
    auto first = published.subscribe([&](const std::vector<int>& v) {
        describe("first", v);
        if (v.size() == 1) {
            published.set({1, 2});
        }
    });
    auto second = published.subscribe([&](const std::vector<int>& v) { describe("second", v); });
    published.set({1});
    EXPECT_EQ(heard,
              (std::vector<std::string>{"first:1/1", "first:2/2", "second:2/2", "second:1/2"}));
    EXPECT_EQ(published.value(), (std::vector<int>{1, 2}));
}

TEST(Subscription, EndsOnDestroyReassignOrCancelEvenAfterThePublisher) {
    auto published = std::make_unique<Published<int>>();
    std::vector<int> heard;
    (void)published->subscribe([&](const int& v) { heard.push_back(-v); }); // destroyed at once
    Subscription kept = published->subscribe([&](const int& v) { heard.push_back(v); });
    published->set(1);
    Subscription moved = std::move(kept);
    published->set(2);
    moved = published->subscribe([&](const int& v) { heard.push_back(10 * v); }); // drops the old
    published->set(3);
    EXPECT_EQ(heard, (std::vector<int>{1, 2, 30}));
    published.reset();
    moved.cancel(); // must not touch freed memory (checked under ASan)
    moved.cancel();
}

TEST(Subscription, HandlersMayChangeSubscriptionsDuringAnnouncement) {
    Published<int> published;
    std::vector<std::string> calls;
    std::optional<Subscription> victim, late, self;
    auto killer = published.subscribe([&](const int&) {
        calls.push_back("killer");
        victim.reset();
        if (!late) {
            late = published.subscribe([&](const int&) { calls.push_back("late"); });
        }
    });
    victim = published.subscribe([&](const int&) { calls.push_back("victim"); });
    self = published.subscribe([&](const int&) {
        calls.push_back("self");
        self.reset(); // destroys the handler that is running
    });
    published.set(1);
    published.set(2);
    EXPECT_EQ(calls, (std::vector<std::string>{"killer", "self", "killer", "late"}));
}

} // namespace
} // namespace quillbar
