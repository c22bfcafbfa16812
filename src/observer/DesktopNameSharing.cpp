// SPDX-License-Identifier: GPL-3.0-or-later
#include "observer/DesktopNameSharing.h"

#include "model/DesktopLabel.h"

#include <utility>

namespace quillbar {

DesktopNameSharing::DesktopNameSharing(SpaceObserver& observer, Defaults& defaults)
    : observer_(observer)
    , defaults_(defaults) {
    detectedSubscription_ =
        observer_.onDetected([this](std::vector<SpaceInfo>& detected) { rewrite(detected); });
}

void DesktopNameSharing::start() {
    if (started_) {
        return;
    }
    enabled_.setIfChanged(defaults_.boolValue(std::string(enabledKey)));
    if (const auto stored = defaults_.data(std::string(recordsKey))) {
        if (auto records = decodeDesktopNameRecords(*stored)) {
            records_ = std::move(*records);
        } else {
            observer_.platform().log.log(LogLevel::Default,
                                         "The desktops' own names from before are unreadable; "
                                         "names written into the desktop stay there");
        }
    }
    started_ = true;
    // A word being typed is not written: each edit waits for a pause.
    storeSubscription_ = observer_.nameStore().subscribe([this](const NameTable&) {
        editing_ = true;
        const std::uint64_t generation = ++editGeneration_;
        observer_.platform().mainQueue.after(editPause, whileAlive([this, generation] {
                                                 if (generation == editGeneration_) {
                                                     flush();
                                                 }
                                             }));
    });
    observer_.refresh();
}

void DesktopNameSharing::setEnabled(bool enabled) {
    if (!defaults_.setBool(std::string(enabledKey), enabled)) {
        observer_.platform().log.log(LogLevel::Default,
                                     "The setting to use the names in the desktop is not saved");
    }
    if (enabled_.setIfChanged(enabled)) {
        editing_ = false;
        ++editGeneration_;
        observer_.refresh(); // what the desktops are called now
        sync();
    }
}

void DesktopNameSharing::flush() {
    editing_ = false;
    ++editGeneration_;
    sync();
}

Subscription DesktopNameSharing::subscribe(std::function<void()> handler) {
    auto shared = std::make_shared<const std::function<void()>>(std::move(handler));
    auto parts = std::make_shared<std::vector<Subscription>>();
    parts->push_back(enabled_.subscribe([shared](bool) { (*shared)(); }));
    parts->push_back(refusals_.subscribe([shared](const auto&) { (*shared)(); }));
    return Subscription([parts] { parts->clear(); });
}

void DesktopNameSharing::rewrite(std::vector<SpaceInfo>& detected) {
    // Nothing to do (and nothing to pay for on each desktop change) while nothing is shared.
    if (!started_ || (!enabled_.value() && records_.empty()) || !isAvailable()) {
        return;
    }
    std::map<std::string, Seen> seen;
    for (SpaceInfo& space : detected) {
        if (space.type != SpaceInfo::ordinaryDesktopType || !space.persistenceID ||
            !space.managedSpaceID) {
            continue;
        }
        const std::string& key = *space.persistenceID;
        const std::string text = space.windowManagerName.value_or("");
        const auto record = records_.find(key);
        SpaceInfo before = space;
        if (record != records_.end()) {
            before.windowManagerName = record->second.original.empty()
                                           ? std::nullopt
                                           : std::optional<std::string>(record->second.original);
            // What Quillbar wrote is not the desktop's own name: the one from before is.
            if (text == record->second.written || inFlight_.count(key)) {
                space.windowManagerName = before.windowManagerName;
            }
        }
        seen[key] = Seen{*space.managedSpaceID, text, before.defaultName()};
    }
    if (seen != seen_) {
        seen_ = std::move(seen);
        syncSoon();
    }
}

void DesktopNameSharing::syncSoon() {
    if (std::exchange(syncQueued_, true)) {
        return;
    }
    observer_.platform().mainQueue.post(whileAlive([this] {
        syncQueued_ = false;
        sync();
    }));
}

void DesktopNameSharing::sync() {
    if (!started_ || editing_ || !isAvailable()) {
        return;
    }
    std::vector<Request> requests;
    for (const auto& [key, seen] : seen_) {
        syncSpace(key, seen, requests);
    }
    for (const Request& r : requests) {
        records_[r.key].written = r.label;
    }
    if (recordsChanged_ || !requests.empty()) {
        // The names from before are on disk before any is overwritten, or nothing is written.
        if (!saveRecords()) {
            for (const Request& r : requests) {
                records_[r.key].written = r.previous;
            }
            return;
        }
    }
    send(requests);
}

void DesktopNameSharing::syncSpace(const std::string& key, const Seen& seen,
                                   std::vector<Request>& requests) {
    if (!landed(key, seen)) {
        return;
    }
    const std::string desired =
        enabled_.value()
            ? DesktopLabel::compose(observer_.nameStore().assignment(key), seen.defaultName)
            : std::string();
    if (desired.empty()) {
        clearRefusal(key);
    }
    const auto record = records_.find(key);
    if (record == records_.end()) {
        if (!desired.empty() && desired != seen.text && records_.size() < maxDesktopNameRecords) {
            records_[key] = {seen.text, seen.text};
            request(key, seen, desired, requests);
        }
        return;
    }
    if (seen.text != record->second.written) {
        // Renamed in the desktop's own tools: while sharing, that is the user's new name (none,
        // when cleared there).
        if (enabled_.value()) {
            adopt(key, seen);
        }
        if (enabled_.value() && !seen.text.empty()) {
            record->second.written = seen.text;
        } else {
            records_.erase(record);
        }
        recordsChanged_ = true;
        return;
    }
    if (!desired.empty()) {
        request(key, seen, desired, requests);
    } else if (seen.text != record->second.original) {
        request(key, seen, record->second.original, requests); // the desktop's own name back
    } else {
        records_.erase(record);
        recordsChanged_ = true;
    }
}

bool DesktopNameSharing::landed(const std::string& key, const Seen& seen) {
    const auto flight = inFlight_.find(key);
    if (flight == inFlight_.end()) {
        return true;
    }
    if (seen.text == flight->second.label) {
        inFlight_.erase(flight);
        return true;
    }
    if (seen.text != flight->second.before) {
        // Neither the name from before nor ours: it landed and was renamed in the desktop before
        // we looked (detections in between can be merged). The rename is the user's.
        records_[key].written = flight->second.label;
        inFlight_.erase(flight);
        return true;
    }
    if (observer_.platform().mainQueue.now() - flight->second.since < landingBound) {
        return false; // looked at again on the next detection, or at the bound
    }
    refuse(key, flight->second.label, "The desktop did not take this name.");
    records_[key].written = seen.text; // what it shows is no rename by the user
    recordsChanged_ = true;
    inFlight_.erase(flight);
    return true;
}

void DesktopNameSharing::request(const std::string& key, const Seen& seen, const std::string& label,
                                 std::vector<Request>& requests) {
    const auto refused = refusedLabels_.find(key);
    if (label == seen.text || (refused != refusedLabels_.end() && refused->second == label)) {
        return;
    }
    requests.push_back({key, seen.managedSpaceID, label, records_[key].written});
}

void DesktopNameSharing::send(const std::vector<Request>& requests) {
    for (const Request& r : requests) {
        if (auto reason = observer_.api().renameSpace(r.managedSpaceID, r.label)) {
            records_[r.key].written = r.previous;
            recordsChanged_ = true;
            refuse(r.key, r.label, *reason);
            continue;
        }
        clearRefusal(r.key);
        inFlight_[r.key] = InFlight{r.label, r.previous, observer_.platform().mainQueue.now()};
    }
    if (recordsChanged_) {
        saveRecords();
    }
    if (!requests.empty()) {
        // A name that never shows is given up at the bound, even if nothing else changes.
        observer_.platform().mainQueue.after(landingBound + Milliseconds(50),
                                             whileAlive([this] { sync(); }));
    }
}

void DesktopNameSharing::adopt(const std::string& key, const Seen& seen) {
    SpaceAssignment assignment = DesktopLabel::parse(seen.text);
    if (!assignment.emoji.empty() && assignment.name == seen.defaultName) {
        assignment.name.clear(); // an emoji on the default name, as Quillbar writes it
    }
    observer_.platform().log.log(LogLevel::Default,
                                 "Space " + key + " was renamed in the desktop; Quillbar takes it");
    SpaceNameStore& store = observer_.nameStore();
    store.updateName(assignment.name, key);
    store.updateEmoji(assignment.emoji, key);
}

void DesktopNameSharing::refuse(const std::string& key, const std::string& label,
                                const std::string& reason) {
    refusedLabels_[key] = label;
    if (loggedRefusals_.insert(key + '\n' + reason).second) {
        observer_.platform().log.log(LogLevel::Default, "The desktop's name of space " + key +
                                                            " is not written: " + reason);
    }
    std::map<std::string, std::string> refusals = refusals_.value();
    refusals[key] = reason;
    refusals_.setIfChanged(std::move(refusals));
}

void DesktopNameSharing::clearRefusal(const std::string& key) {
    refusedLabels_.erase(key);
    if (refusals_.value().count(key)) {
        std::map<std::string, std::string> refusals = refusals_.value();
        refusals.erase(key);
        refusals_.set(std::move(refusals));
    }
}

bool DesktopNameSharing::saveRecords() {
    const bool saved =
        defaults_.setData(std::string(recordsKey), encodeDesktopNameRecords(records_));
    if (saved) {
        recordsChanged_ = false;
        saveProblemLogged_ = false;
    } else if (!std::exchange(saveProblemLogged_, true)) {
        observer_.platform().log.log(LogLevel::Default,
                                     "Names are not written into the desktop: the settings "
                                     "that keep the desktop's own names cannot be saved");
    }
    return saved;
}

std::function<void()> DesktopNameSharing::whileAlive(std::function<void()> action) const {
    return [alive = std::weak_ptr<int>(lifetime_), action = std::move(action)] {
        if (alive.lock()) {
            action();
        }
    };
}

} // namespace quillbar
