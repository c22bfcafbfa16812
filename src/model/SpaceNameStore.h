#pragma once

#include "model/Defaults.h"
#include "model/NameTable.h"
#include "model/Published.h"
#include "model/SpaceAssignment.h"
#include "model/Subscription.h"

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace quillbar {

// Owns the user's names and emoji for spaces: loads them once from Defaults, applies edits,
// forgets spaces that are gone, saves the whole table after every change and announces every
// new table to its subscribers before it takes effect.
//
// Keys are compared under canonical equivalence: every key (stored, looked up, kept by prune)
// is taken in Normalisation Form C. Stored names and emoji are NFC too, so equal-looking text
// compares equal. Ill-formed UTF-8 in any argument is replaced by U+FFFD, never stored.
class SpaceNameStore {
public:
    // Defaults key of the persisted table (a data value holding the JSON table).
    static constexpr std::string_view defaultsKey = "SpaceAssignments.v1";
    // Defaults key that keeps the bytes of an unreadable table before they are overwritten.
    static constexpr std::string_view unreadableKey = "SpaceAssignments.v1.unreadable";

    // Loads the table from defaults (empty when missing or unreadable); defaults must outlive
    // the store.
    explicit SpaceNameStore(Defaults& defaults);
    SpaceNameStore(const SpaceNameStore&) = delete;
    SpaceNameStore& operator=(const SpaceNameStore&) = delete;

    // The whole table.
    const NameTable& assignments() const;
    // The assignment stored under key, or an empty one when there is none.
    SpaceAssignment assignment(const std::string& key) const;

    // Sets the name under key (line feeds become spaces, white space trimmed at both ends),
    // keeping the emoji; removes the entry when both end up empty. No-op for an empty key.
    void updateName(std::string_view name, const std::string& key);
    // Sets the emoji under key to the last emoji of the text (or none), keeping the name;
    // removes the entry when both end up empty. No-op for an empty key.
    void updateEmoji(std::string_view emoji, const std::string& key);
    // Removes every entry whose key is not in keeping. Does nothing when keeping is empty or
    // nothing would be removed.
    void prune(const std::set<std::string>& keeping);

    // Calls handler with each newly assigned table (also when equal to the old one) while
    // assignments() still returns the old table.
    [[nodiscard]] Subscription subscribe(Published<NameTable>::Handler handler);

private:
    void updateAssignment(const std::string& key,
                          const std::function<void(SpaceAssignment&)>& mutate);
    void save();
    bool keepUnreadableBytes();

    Defaults& defaults_;
    // Bytes of a stored table that could not be read, until they are kept under unreadableKey.
    std::optional<std::string> unreadableBytes_;
    Published<NameTable> assignments_;
};

} // namespace quillbar
