// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/SpaceNameStore.h"

#include "model/EmojiInput.h"
#include "model/UnicodeText.h"

#include <algorithm>
#include <utility>

namespace quillbar {
namespace {

struct LoadResult {
    NameTable table;
    std::optional<std::string> unreadableBytes;
};

// The stored value read as a table: a data value as the JSON bytes, any other value (a string a
// person wrote by hand, a list Qt made of it) through its text form. Whatever does not read as a
// table is returned for keeping aside.
LoadResult loadAssignments(const Defaults& defaults, const std::string& key) {
    auto stored = defaults.data(key);
    if (!stored) {
        stored = defaults.nonDataText(key);
    }
    if (!stored) {
        return {};
    }
    auto table = decodeNameTable(*stored);
    if (!table) {
        return {{}, std::move(stored)};
    }
    // Emoji follow the input rule however they were stored: one emoji, bounded in size.
    for (auto& [key, assignment] : *table) {
        assignment.emoji = UnicodeText::toNFC(EmojiInput::normalise(assignment.emoji));
    }
    return {std::move(*table), std::nullopt};
}

std::string cleanedName(std::string_view name) {
    std::string text = UnicodeText::toNFC(name);
    std::replace(text.begin(), text.end(), '\n', ' ');
    return UnicodeText::prefix(UnicodeText::trimmed(text), SpaceNameStore::maxNameClusters,
                               SpaceNameStore::maxNameBytes);
}

} // namespace

SpaceNameStore::SpaceNameStore(Defaults& defaults, Loading loading)
    : defaults_(defaults)
    , loadAllowed_(loading == Loading::Now) {
    if (loadAllowed_) {
        load();
    }
}

bool SpaceNameStore::load() {
    loadAllowed_ = true;
    if (loaded_) {
        return true;
    }
    if (auto problem = defaults_.reload()) {
        storageProblem_.setIfChanged(std::move(problem));
        return false;
    }
    auto loaded = loadAssignments(defaults_, std::string(defaultsKey));
    unreadableBytes_ = std::move(loaded.unreadableBytes);
    NameTable table = std::move(loaded.table);
    const NameTable& edited = assignments_.value();
    for (const auto& key : editedBeforeLoad_) {
        if (const auto found = edited.find(key); found != edited.end()) {
            table[key] = found->second;
        } else {
            table.erase(key);
        }
    }
    loaded_ = true;
    storageProblem_.setIfChanged(std::nullopt);
    assignments_.set(std::move(table));
    if (!editedBeforeLoad_.empty()) {
        editedBeforeLoad_.clear();
        save();
    }
    return true;
}

Subscription
SpaceNameStore::subscribeStorageProblem(Published<std::optional<std::string>>::Handler handler) {
    return storageProblem_.subscribe(std::move(handler));
}

Subscription
SpaceNameStore::subscribeSaveProblem(Published<std::optional<std::string>>::Handler handler) {
    return saveProblem_.subscribe(std::move(handler));
}

std::optional<std::string> SpaceNameStore::notSavedReason() const {
    return storageProblem() ? storageProblem() : saveProblem();
}

bool SpaceNameStore::retrySave() {
    if (saveProblem_.value()) {
        save();
    }
    return !saveProblem_.value();
}

void SpaceNameStore::stopWriting() {
    writing_ = false;
    saveProblem_.setIfChanged(std::nullopt); // the newer instance saves from now on
}

const NameTable& SpaceNameStore::assignments() const {
    return assignments_.value();
}

SpaceAssignment SpaceNameStore::assignment(const std::string& key) const {
    const NameTable& table = assignments_.value();
    const auto found = table.find(UnicodeText::toNFC(key));
    return found == table.end() ? SpaceAssignment{} : found->second;
}

void SpaceNameStore::updateName(std::string_view name, const std::string& key) {
    updateAssignment(
        key, [clean = cleanedName(name)](SpaceAssignment& assignment) { assignment.name = clean; });
}

void SpaceNameStore::updateEmoji(std::string_view emoji, const std::string& key) {
    updateAssignment(key, [clean = UnicodeText::toNFC(EmojiInput::normalise(emoji))](
                              SpaceAssignment& assignment) { assignment.emoji = clean; });
}

void SpaceNameStore::prune(const std::set<std::string>& keeping) {
    if (keeping.empty()) {
        return; // a detection that found nothing never wipes the table
    }
    std::set<std::string> kept;
    for (const auto& key : keeping) {
        kept.insert(UnicodeText::toNFC(key));
    }
    NameTable table = assignments_.value();
    const auto removed =
        std::erase_if(table, [&kept](const auto& entry) { return !kept.contains(entry.first); });
    if (removed == 0) {
        return;
    }
    assignments_.set(std::move(table));
    save();
}

Subscription SpaceNameStore::subscribe(Published<NameTable>::Handler handler) {
    return assignments_.subscribe(std::move(handler));
}

void SpaceNameStore::updateAssignment(const std::string& rawKey,
                                      const std::function<void(SpaceAssignment&)>& mutate) {
    if (rawKey.empty()) {
        return;
    }
    const std::string key = UnicodeText::toNFC(rawKey);
    NameTable table = assignments_.value();
    SpaceAssignment edited = assignment(key);
    mutate(edited);
    if (edited.isEmpty()) {
        table.erase(key);
    } else {
        table[key] = std::move(edited);
    }
    if (!loaded_) {
        editedBeforeLoad_.insert(key);
    }
    assignments_.set(std::move(table)); // announces even when nothing changed
    save();
}

void SpaceNameStore::save() {
    if (!writing_) {
        return;
    }
    // The stored table has not been read: writing now would replace names never seen. Try to
    // read it (when allowed); a successful read saves the edits on top of it.
    if (!loaded_) {
        if (loadAllowed_) {
            load();
        }
        return;
    }
    // An unreadable stored table may hold names the user still wants: keep its bytes before
    // replacing it, and leave it in place when they cannot be kept.
    if (!keepUnreadableBytes()) {
        noteSave(false);
        return;
    }
    noteSave(defaults_.setData(std::string(defaultsKey), encodeNameTable(assignments_.value())));
}

void SpaceNameStore::noteSave(bool saved) {
    if (saved) {
        saveProblem_.setIfChanged(std::nullopt);
        return;
    }
    saveProblem_.setIfChanged(defaults_.writeProblem().value_or("the settings were not written"));
}

bool SpaceNameStore::keepUnreadableBytes() {
    if (!unreadableBytes_) {
        return true;
    }
    if (!defaults_.setData(std::string(unreadableKey), *unreadableBytes_)) {
        return false;
    }
    unreadableBytes_.reset();
    return true;
}

} // namespace quillbar
