#include "model/SpaceNameStore.h"
#include "model/MemoryDefaults.h"

#include <gtest/gtest.h>

#include <string>
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
    defaults.setText(tableKey, R"({"a":{"name":"A","emoji":""}})"); // text, not data
    EXPECT_TRUE(SpaceNameStore(defaults).assignments().empty());
    storeTable({{"uuid-A", {"Mail", grinning}}});
    SpaceNameStore store(defaults);
    EXPECT_EQ(store.assignment("uuid-A"), (SpaceAssignment{"Mail", grinning}));
    EXPECT_EQ(defaults.writeCount(), 1u);
    defaults.setFailing(true);
    store.updateName("B", "b");
    EXPECT_EQ(store.assignment("b").name, "B");
    EXPECT_EQ(persisted(), (NameTable{{"uuid-A", {"Mail", grinning}}}));
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

TEST_F(SpaceNameStoreTest, EveryUpdateAnnouncesBeforeTheTableChanges) {
    SpaceNameStore store(defaults);
    std::vector<std::pair<NameTable, NameTable>> seen; // (assignments() then, announced)
    auto subscription = store.subscribe(
        [&](const NameTable& next) { seen.emplace_back(store.assignments(), next); });
    store.updateName("Mail", ""); // an empty key changes, announces and writes nothing
    store.updateEmoji(grinning, "");
    store.updateName("Mail", "k");
    store.updateName("Mail", "k"); // unchanged, still announced and saved
    const NameTable mail{{"k", {"Mail", ""}}};
    EXPECT_EQ(seen, (std::vector<std::pair<NameTable, NameTable>>{{{}, mail}, {mail, mail}}));
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

} // namespace
} // namespace quillbar
