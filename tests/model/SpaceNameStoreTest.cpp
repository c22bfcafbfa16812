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

TEST_F(SpaceNameStoreTest, LoadsWithoutWriting) {
    EXPECT_TRUE(SpaceNameStore(defaults).assignments().empty());
    defaults.setText(tableKey, R"({"a":{"name":"A","emoji":""}})"); // a string, not data
    EXPECT_TRUE(SpaceNameStore(defaults).assignments().empty());
    EXPECT_EQ(defaults.writeCount(), 0u);

    storeTable({{"uuid-A", {"Mail", grinning}}});
    SpaceNameStore store(defaults);
    EXPECT_EQ(store.assignment("uuid-A"), (SpaceAssignment{"Mail", grinning}));
    EXPECT_EQ(store.assignment("uuid-B"), SpaceAssignment{});
    EXPECT_EQ(defaults.writeCount(), 1u);
}

TEST_F(SpaceNameStoreTest, NamesAreCleanedBeforeStoring) {
    SpaceNameStore store(defaults);
    store.updateName("A\nB", "k1");
    store.updateName(" \t\xE3\x80\x80Mail\xC2\x85\r\n \n", "k2"); // ideographic space, NEL
    store.updateName("a\tb\rc  d", "k3");                         // inner characters stay
    store.updateName("e\xCC\x81", "k4");                          // stored composed
    store.updateName("bad\xFF", "k5");
    EXPECT_EQ(store.assignment("k1").name, "A B");
    EXPECT_EQ(store.assignment("k2").name, "Mail");
    EXPECT_EQ(store.assignment("k3").name, "a\tb\rc  d");
    EXPECT_EQ(store.assignment("k4").name, "\xC3\xA9");
    EXPECT_EQ(store.assignment("k5").name, "bad\xEF\xBF\xBD");
    EXPECT_EQ(persisted(), store.assignments());
}

TEST_F(SpaceNameStoreTest, EmptyAssignmentsAreRemoved) {
    SpaceNameStore store(defaults);
    store.updateName("Mail", "k");
    store.updateEmoji("x " + grinning, "k");
    EXPECT_EQ(store.assignment("k"), (SpaceAssignment{"Mail", grinning}));

    store.updateEmoji("no emoji here", "k");
    EXPECT_EQ(store.assignment("k"), (SpaceAssignment{"Mail", ""}));
    ASSERT_TRUE(persisted().has_value());
    EXPECT_EQ(persisted()->at("k"), (SpaceAssignment{"Mail", ""}));

    store.updateName(" \n\n  ", "k");
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
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair(NameTable{}, mail));
    EXPECT_EQ(seen[1], std::make_pair(mail, mail));
    EXPECT_EQ(defaults.writeCount(), 2u);
}

TEST_F(SpaceNameStoreTest, PruneRemovesOnlyUnkeptKeys) {
    storeTable({{"a", {"A", ""}}, {"b", {"B", ""}}, {"c", {"", rocket}}});
    SpaceNameStore store(defaults);
    int announcements = 0;
    auto subscription = store.subscribe([&](const NameTable&) { ++announcements; });
    const auto writesBefore = defaults.writeCount();

    store.prune({}); // a detection that found nothing never wipes the table
    store.prune({"a", "b", "c", "unknown"});
    EXPECT_EQ(store.assignments().size(), 3u);
    EXPECT_EQ(announcements, 0);
    EXPECT_EQ(defaults.writeCount(), writesBefore);

    store.prune({"b", "unknown"});
    EXPECT_EQ(store.assignments(), (NameTable{{"b", {"B", ""}}}));
    EXPECT_EQ(announcements, 1);
    EXPECT_EQ(defaults.writeCount(), writesBefore + 1);
    EXPECT_EQ(persisted(), store.assignments());
}

TEST_F(SpaceNameStoreTest, KeysCompareUnderCanonicalEquivalence) {
    const std::string composed = "caf\xC3\xA9";
    const std::string decomposed = "cafe\xCC\x81";
    SpaceNameStore store(defaults);
    store.updateName("Mail", decomposed);
    store.updateEmoji(rocket, composed);
    EXPECT_EQ(store.assignments().size(), 1u);
    EXPECT_EQ(store.assignment(decomposed), (SpaceAssignment{"Mail", rocket}));
    store.prune({decomposed});
    EXPECT_EQ(store.assignments().size(), 1u);
}

TEST_F(SpaceNameStoreTest, FailingStoreKeepsEditsInMemory) {
    storeTable({{"a", {"A", ""}}});
    const auto storedBytes = defaults.data(tableKey);
    SpaceNameStore store(defaults);
    defaults.setFailing(true);
    store.updateName("B", "b");
    EXPECT_EQ(store.assignment("b").name, "B");
    EXPECT_EQ(defaults.data(tableKey), storedBytes);
}

// An unreadable stored table is kept aside before the first save replaces it.
TEST_F(SpaceNameStoreTest, UnreadableTableIsKeptBeforeOverwrite) {
    const std::string damaged = R"({"a":{"name":"A","emoji":""},"b":{"name":"B"}})";
    defaults.setData(tableKey, damaged);
    defaults.setData(backupKey, "an older unreadable table");
    SpaceNameStore store(defaults);
    EXPECT_TRUE(store.assignments().empty());
    EXPECT_EQ(defaults.writeCount(), 2u) << "loading writes nothing";

    store.prune({"x"}); // removes nothing, so writes nothing
    EXPECT_EQ(defaults.data(tableKey), damaged);

    store.updateName("New", "c");
    EXPECT_EQ(defaults.data(backupKey), damaged) << "the latest unreadable value wins";
    EXPECT_EQ(persisted(), (NameTable{{"c", {"New", ""}}}));
    const std::vector<std::string> firstSave(defaults.writtenKeys().begin() + 2,
                                             defaults.writtenKeys().end());
    EXPECT_EQ(firstSave, (std::vector<std::string>{backupKey, tableKey}));

    store.updateName("Newer", "c"); // the backup is written once
    EXPECT_EQ(defaults.writtenKeys().back(), tableKey);
    EXPECT_EQ(defaults.writeCount(), 5u);
}

TEST_F(SpaceNameStoreTest, UnreadableTableStaysWhenItCannotBeKept) {
    const std::string damaged = "{not json";
    defaults.setData(tableKey, damaged);
    SpaceNameStore store(defaults);
    defaults.setFailing(backupKey, true);
    store.updateName("New", "c");
    EXPECT_EQ(defaults.data(tableKey), damaged);
    EXPECT_FALSE(defaults.contains(backupKey));

    defaults.setFailing(backupKey, false);
    store.updateEmoji(rocket, "c");
    EXPECT_EQ(defaults.data(backupKey), damaged);
    EXPECT_EQ(persisted(), (NameTable{{"c", {"New", rocket}}}));
}

} // namespace
} // namespace quillbar
