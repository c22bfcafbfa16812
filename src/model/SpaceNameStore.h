// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Defaults.h"
#include "model/NameTable.h"
#include "model/Published.h"
#include "model/SpaceAssignment.h"
#include "model/Subscription.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace quillbar {

// Owns the user's names and emoji for spaces: loads them from Defaults, applies edits, forgets
// spaces that are gone, saves the whole table after every change and announces every new table
// to its subscribers once it is in place, before it is written.
//
// Nothing the user typed is lost: loading never writes; a stored value that is not a readable
// table is kept under unreadableKey before anything replaces it; while the stored values cannot
// be read (or may not be read yet), edits stay in memory and nothing is written, and the next
// successful read puts them on top of the stored table.
//
// Keys are compared under canonical equivalence: every key (stored, looked up, kept by prune)
// is taken in Normalisation Form C. Stored names and emoji are NFC too, so equal-looking text
// compares equal. Ill-formed UTF-8 in any argument is replaced by U+FFFD, never stored.
class SpaceNameStore {
public:
    // Defaults key of the persisted table (a data value holding the JSON table).
    static constexpr std::string_view defaultsKey = "SpaceAssignments.v1";
    // Defaults key that keeps an unreadable stored value (as text when it was not data) before
    // it is overwritten.
    static constexpr std::string_view unreadableKey = "SpaceAssignments.v1.unreadable";
    // Longest name stored by an edit, in grapheme clusters and in UTF-8 bytes; a longer stored
    // name is kept as it is until it is edited.
    static constexpr std::size_t maxNameClusters = 256;
    static constexpr std::size_t maxNameBytes = 4096;

    // When the stored table is first read.
    enum class Loading {
        Now,  // in the constructor
        Later // at the first load(), e.g. once another process has stopped writing it
    };

    // A store on defaults, which must outlive it.
    explicit SpaceNameStore(Defaults& defaults, Loading loading = Loading::Now);
    SpaceNameStore(const SpaceNameStore&) = delete;
    SpaceNameStore& operator=(const SpaceNameStore&) = delete;

    // Reads the stored table if it has not been read yet, with the edits made meanwhile on top
    // (written at once); true when the table has been read. With Loading::Later, nothing is read
    // or written before the first call.
    bool load();
    // Why the stored table cannot be read, so that nothing is written; nullopt otherwise.
    const std::optional<std::string>& storageProblem() const { return storageProblem_.value(); }
    // Calls handler with each new storageProblem() once it is in place.
    [[nodiscard]] Subscription
    subscribeStorageProblem(Published<std::optional<std::string>>::Handler handler);
    // Why the latest table is not on disk (the last save failed, with the reason); nullopt once a
    // save worked. The table stays in memory meanwhile; retrySave() tries again.
    const std::optional<std::string>& saveProblem() const { return saveProblem_.value(); }
    // Calls handler with each new saveProblem() once it is in place.
    [[nodiscard]] Subscription
    subscribeSaveProblem(Published<std::optional<std::string>>::Handler handler);
    // Why the names are not on disk, for the user: the read problem ahead of the save problem;
    // nullopt while neither holds. Follow both subscriptions to follow it.
    std::optional<std::string> notSavedReason() const;
    // Writes the whole table again when the last save failed; true when nothing is left unsaved.
    bool retrySave();
    // From now on nothing is written (another process owns the table); edits stay in memory.
    void stopWriting();

    // The whole table.
    const NameTable& assignments() const;
    // The assignment stored under key, or an empty one when there is none.
    SpaceAssignment assignment(const std::string& key) const;

    // Sets the name under key (line feeds become spaces, white space trimmed at both ends, cut to
    // maxNameClusters and maxNameBytes), keeping the emoji; removes the entry when both end up
    // empty. No-op for an empty key.
    void updateName(std::string_view name, const std::string& key);
    // Sets the emoji under key to the last emoji of the text (or none), keeping the name;
    // removes the entry when both end up empty. No-op for an empty key.
    void updateEmoji(std::string_view emoji, const std::string& key);
    // Removes every entry whose key is not in keeping. Does nothing when keeping is empty or
    // nothing would be removed.
    void prune(const std::set<std::string>& keeping);

    // Calls handler with each newly assigned table (also when equal to the old one) once
    // assignments() returns it, and before it is written.
    [[nodiscard]] Subscription subscribe(Published<NameTable>::Handler handler);

private:
    void updateAssignment(const std::string& key,
                          const std::function<void(SpaceAssignment&)>& mutate);
    void save();
    bool keepUnreadableBytes();
    void noteSave(bool saved);

    Defaults& defaults_;
    bool loadAllowed_;
    bool loaded_ = false;
    bool writing_ = true;
    // Keys edited before the stored table was read: their values here win over the stored ones.
    std::set<std::string> editedBeforeLoad_;
    // A stored value that could not be read, until it is kept under unreadableKey.
    std::optional<std::string> unreadableBytes_;
    Published<NameTable> assignments_;
    Published<std::optional<std::string>> storageProblem_;
    Published<std::optional<std::string>> saveProblem_;
};

} // namespace quillbar
