// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/SpaceNameStore.h"
#include "model/MemoryDefaults.h"

#include <gtest/gtest.h>

#include <functional>
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
    storeTable({{"uuid-A", {"Mail", grinning}}});
    SpaceNameStore store(defaults);
    EXPECT_EQ(store.assignment("uuid-A"), (SpaceAssignment{"Mail", grinning}));
    EXPECT_EQ(defaults.writeCount(), 1u);
    std::vector<std::optional<std::string>> problems;
    auto watch = store.subscribeSaveProblem(
        [&](const std::optional<std::string>& problem) { problems.push_back(problem); });
    defaults.setFailing(true, "No space left on device");
    store.updateName("B", "b");
    store.updateName("C", "c");
    EXPECT_EQ(store.assignment("b").name, "B");
    EXPECT_EQ(store.saveProblem(), "No space left on device");
    EXPECT_FALSE(store.retrySave());
    EXPECT_EQ(persisted(), (NameTable{{"uuid-A", {"Mail", grinning}}}));
    // Space again: the retry writes every name typed meanwhile.
    defaults.setFailing(false);
    EXPECT_TRUE(store.retrySave());
    EXPECT_EQ(persisted(),
              (NameTable{{"uuid-A", {"Mail", grinning}}, {"b", {"B", ""}}, {"c", {"C", ""}}}));
    EXPECT_EQ(problems,
              (std::vector<std::optional<std::string>>{"No space left on device", std::nullopt}));
    EXPECT_TRUE(store.retrySave()); // nothing left: no write
    EXPECT_EQ(defaults.writeCount(), 2u);
}

TEST_F(SpaceNameStoreTest, CleansNamesAndEmojiAndRemovesEmptyEntries) {
    SpaceNameStore store(defaults);
    const std::pair<std::string, std::string> names[] = {
        {"A\nB", "A B"},
        {" \t\xE3\x80\x80Mail\xC2\x85\r\n \n", "Mail"}, // ideographic space, NEL
        {"a\tb\rc  d", "a\tb\rc  d"},                   // inner characters stay
        {"e\xCC\x81", "\xC3\xA9"},                      // stored composed
        {"bad\xFF", "bad\xEF\xBF\xBD"}};
    for (const auto& [input, stored] : names) {
        store.updateName(input, "k");
        EXPECT_EQ(store.assignment("k").name, stored) << testing::PrintToString(input);
    }
    store.updateEmoji("x " + grinning, "k");
    EXPECT_EQ(persisted(), (NameTable{{"k", {"bad\xEF\xBF\xBD", grinning}}}));
    store.updateName(" \n\n  ", "k");
    store.updateEmoji("no emoji here", "k");
    EXPECT_TRUE(store.assignments().empty());
    EXPECT_EQ(persisted(), NameTable{});
}

TEST_F(SpaceNameStoreTest, EveryUpdateAnnouncesTheNewTableInPlaceBeforeItIsWritten) {
    SpaceNameStore store(defaults);
    // (assignments() then, announced, writes so far)
    std::vector<std::tuple<NameTable, NameTable, std::size_t>> seen;
    auto subscription = store.subscribe([&](const NameTable& next) {
        seen.emplace_back(store.assignments(), next, defaults.writeCount());
    });
    store.updateName("Mail", ""); // an empty key changes, announces and writes nothing
    store.updateEmoji(grinning, "");
    store.updateName("Mail", "k");
    store.updateName("Mail", "k"); // unchanged, still announced and saved
    const NameTable mail{{"k", {"Mail", ""}}};
    EXPECT_EQ(seen, (std::vector<std::tuple<NameTable, NameTable, std::size_t>>{{mail, mail, 0u},
                                                                                {mail, mail, 1u}}));
    EXPECT_EQ(defaults.writeCount(), 2u);
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

// An unreadable table is kept aside before the first save replaces it, or left while it cannot be.
TEST_F(SpaceNameStoreTest, UnreadableTableIsBackedUpOnceBeforeOverwrite) {
    const std::string damaged = R"({"a":{"name":"A","emoji":""},"b":{"name":"B"}})";
    defaults.setData(tableKey, damaged);
    defaults.setData(backupKey, "an older unreadable table");
    SpaceNameStore store(defaults);
    EXPECT_TRUE(store.assignments().empty());
    store.prune({"x"}); // removes nothing, so writes nothing
    defaults.setFailing(backupKey, true);
    store.updateName("New", "c");
    EXPECT_EQ(defaults.data(tableKey), damaged);

    defaults.setFailing(backupKey, false);
    store.updateEmoji(rocket, "c");
    store.updateName("Newer", "c");
    EXPECT_EQ(defaults.data(backupKey), damaged) << "the latest unreadable value wins";
    EXPECT_EQ(persisted(), (NameTable{{"c", {"Newer", rocket}}}));
    EXPECT_EQ(defaults.writtenKeys(),
              (std::vector<std::string>{tableKey, backupKey, backupKey, tableKey, tableKey}));
}

// Whatever kind of value sits under the table's key and does not read as a table is kept, as text
// when it is not data, before the first save replaces it.
TEST_F(SpaceNameStoreTest, AnyUnreadableValueIsKeptAsText) {
    const std::pair<std::function<void()>, std::string> kinds[] = {
        {[&] { defaults.setText(tableKey, "{a:{name:A"); }, "{a:{name:A"},
        {[&] { defaults.setBool(tableKey, true); }, "true"}};
    for (const auto& [put, kept] : kinds) {
        put();
        SpaceNameStore store(defaults);
        EXPECT_TRUE(store.assignments().empty());
        store.updateName("New", "c");
        EXPECT_EQ(defaults.data(backupKey), kept);
        EXPECT_EQ(persisted(), (NameTable{{"c", {"New", ""}}}));
    }
}

// While the stored values cannot be read nothing is written; the first read that works brings the
// stored names back with the edits made meanwhile on top (a cleared name stays cleared).
TEST_F(SpaceNameStoreTest, EditsWaitInMemoryUntilTheStoredTableCanBeReadAndGoOnTop) {
    storeTable({{"a", {"Kept", ""}}, {"b", {"Old", ""}}, {"d", {"Cleared", ""}}});
    defaults.setReadProblem("cannot read quillbar.conf (Permission denied)");
    const std::size_t writes = defaults.writeCount();
    SpaceNameStore store(defaults);
    std::vector<std::optional<std::string>> problems;
    auto watch = store.subscribeStorageProblem(
        [&](const std::optional<std::string>& problem) { problems.push_back(problem); });
    EXPECT_EQ(store.storageProblem(), "cannot read quillbar.conf (Permission denied)");
    store.updateName("New", "b");
    store.updateName("Typed", "c");
    store.updateName("Cleared", "d");
    store.updateName("", "d");
    EXPECT_EQ(store.assignments(), (NameTable{{"b", {"New", ""}}, {"c", {"Typed", ""}}}));
    EXPECT_EQ(defaults.writeCount(), writes);
    EXPECT_FALSE(store.load());

    defaults.setReadProblem(std::nullopt);
    store.updateEmoji(rocket, "c");
    const NameTable merged{{"a", {"Kept", ""}}, {"b", {"New", ""}}, {"c", {"Typed", rocket}}};
    EXPECT_EQ(store.assignments(), merged);
    EXPECT_EQ(persisted(), merged);
    EXPECT_EQ(problems, (std::vector<std::optional<std::string>>{std::nullopt}));
}

// A store told to read later reads nothing and writes nothing until load(); one that stopped
// writing (another instance owns the table) writes nothing more.
TEST_F(SpaceNameStoreTest, ReadsOnlyWhenToldAndWritesNothingAfterStopping) {
    storeTable({{"a", {"Old", ""}}});
    SpaceNameStore store(defaults, SpaceNameStore::Loading::Later);
    store.updateName("Early", "b");
    store.prune({"b"});
    EXPECT_EQ(defaults.reloadCount(), 0u);
    EXPECT_EQ(defaults.writeCount(), 1u);
    storeTable({{"a", {"Newer", ""}}}); // the older instance's last keystroke
    EXPECT_TRUE(store.load());
    EXPECT_EQ(persisted(), (NameTable{{"a", {"Newer", ""}}, {"b", {"Early", ""}}}));

    store.stopWriting();
    const std::size_t writes = defaults.writeCount();
    store.updateName("Late", "a");
    store.prune({"a"});
    EXPECT_EQ(store.assignments(), (NameTable{{"a", {"Late", ""}}}));
    EXPECT_EQ(defaults.writeCount(), writes);
}

// Edits are cut to 256 grapheme clusters and 4 KiB; stored names are kept whole until edited, and
// stored emoji follow the input rule, all without writing.
TEST_F(SpaceNameStoreTest, BoundsWhatEntersAndNormalisesStoredEmojiWithoutWriting) {
    const std::string accented = "e\xCC\x81"; // one cluster, composed to é
    std::string marks = "a";
    for (int i = 0; i < 3000; ++i) {
        marks += "\xCC\x81"; // one cluster of 6001 bytes
    }
    std::string zwj = "\xF0\x9F\x91\xA9"; // woman, then 60 times ZWJ woman: one cluster
    for (int i = 0; i < 60; ++i) {
        zwj += "\xE2\x80\x8D\xF0\x9F\x91\xA9";
    }
    const std::string longName(1000, 'n');
    storeTable({{"long", {longName, "ab" + grinning}}, {"zwj", {"Z", zwj}}});
    const std::size_t writes = defaults.writeCount();
    SpaceNameStore store(defaults);
    EXPECT_EQ(store.assignment("long"), (SpaceAssignment{longName, grinning}));
    EXPECT_EQ(store.assignment("zwj"), (SpaceAssignment{"Z", ""}));
    EXPECT_EQ(defaults.writeCount(), writes);

    std::string typed;
    for (int i = 0; i < 300; ++i) {
        typed += accented;
    }
    store.updateName(typed, "k");
    EXPECT_EQ(store.assignment("k").name.size(), 256u * 2);
    store.updateName(marks, "k");
    // Composed to á and 2999 marks of 2 bytes: whole code points up to 4096 bytes.
    EXPECT_EQ(store.assignment("k").name, "\xC3\xA1" + marks.substr(3, 4094));
    store.updateName(std::string(5000, 'x'), "k");
    EXPECT_EQ(store.assignment("k").name, std::string(256, 'x'));
    store.updateEmoji(zwj, "k");
    EXPECT_EQ(store.assignment("k").emoji, "");
}

} // namespace
} // namespace quillbar
