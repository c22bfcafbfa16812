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

LoadResult loadAssignments(const Defaults& defaults, const std::string& key) {
    auto bytes = defaults.data(key);
    if (!bytes) {
        return {};
    }
    if (auto table = decodeNameTable(*bytes)) {
        return {std::move(*table), std::nullopt};
    }
    return {{}, std::move(bytes)};
}

std::string cleanedName(std::string_view name) {
    std::string text = UnicodeText::toNFC(name);
    std::replace(text.begin(), text.end(), '\n', ' ');
    return UnicodeText::trimmed(text);
}

} // namespace

SpaceNameStore::SpaceNameStore(Defaults& defaults)
    : defaults_(defaults) {
    auto loaded = loadAssignments(defaults_, std::string(defaultsKey));
    unreadableBytes_ = std::move(loaded.unreadableBytes);
    assignments_.set(std::move(loaded.table));
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
    assignments_.set(std::move(table)); // announces even when nothing changed
    save();
}

void SpaceNameStore::save() {
    // An unreadable stored table may hold names the user still wants: keep its bytes before
    // replacing it, and leave it in place when they cannot be kept.
    if (!keepUnreadableBytes()) {
        return;
    }
    defaults_.setData(std::string(defaultsKey), encodeNameTable(assignments_.value()));
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
