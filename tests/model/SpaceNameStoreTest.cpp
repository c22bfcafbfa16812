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

// Until the stored table is read (it cannot be, or the store waits to be told), edits stay in
// memory and nothing is written; the first read brings the stored names back as they are then,
// with the edits on top (a cleared name stays cleared). After stopWriting() (another instance owns
// the table) nothing more is written.
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

} // namespace
} // namespace quillbar
