// SPDX-License-Identifier: GPL-3.0-or-later
#include "observer/SpaceDetector.h"

#include "model/UnicodeText.h"
#include "observer/ValueCoercion.h"

#include <algorithm>
#include <limits>
#include <set>

namespace quillbar {

using nlohmann::json;
using namespace ValueCoercion;

namespace {

// Text under the key, with empty text counting as absent.
std::optional<std::string> nonEmptyString(const json& dictionary, std::string_view key) {
    auto text = stringValue(dictionary, key);
    if (text && text->empty()) {
        return std::nullopt;
    }
    return text;
}

// The window manager's name for the space: repaired to valid UTF-8, trimmed, at most a bounded
// number of bytes (cut between characters); absent when missing or empty.
std::optional<std::string> windowManagerName(const json& space) {
    constexpr std::size_t kMaxNameBytes = 1024;
    const auto raw = stringValue(space, WindowServer::kSpaceName);
    if (!raw) {
        return std::nullopt;
    }
    // trimmed() repairs the text too.
    std::string name = UnicodeText::trimmed(std::string_view(*raw).substr(0, 4 * kMaxNameBytes));
    if (name.size() > kMaxNameBytes) {
        std::size_t cut = kMaxNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
            --cut; // never inside a character
        }
        name.resize(cut);
    }
    if (name.empty()) {
        return std::nullopt;
    }
    return name;
}

std::optional<std::int64_t> managedSpaceID(const json& dictionary) {
    return int64Value(dictionary, {WindowServer::kManagedSpaceID, WindowServer::kID64});
}

// The space type; -1 when missing or unreadable. A value outside int cannot be a known type and is
// read as unreadable too.
int spaceType(const json& space) {
    const json* value = member(space, WindowServer::kType);
    const auto type = value ? intValue(*value) : std::nullopt;
    if (!type || *type < std::numeric_limits<int>::min() ||
        *type > std::numeric_limits<int>::max()) {
        return -1;
    }
    return static_cast<int>(*type);
}

// The owner's process id; absent when missing, unreadable or outside the 32-bit range.
std::optional<std::int32_t> ownerPID(const json& space) {
    const json* value = member(space, WindowServer::kPID);
    const auto pid = value ? intValue(*value) : std::nullopt;
    if (!pid || *pid < std::numeric_limits<std::int32_t>::min() ||
        *pid > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*pid);
}

// The number of an ordinary desktop: the server's own number when it gives the key (null: none),
// else its position among the display's desktops. Numbers outside int are unreadable: none.
std::optional<int> desktopNumber(const json& space, int position) {
    const json* value = member(space, WindowServer::kDesktopNumber);
    if (!value) {
        return position;
    }
    const auto number = intValue(*value);
    if (!number || *number < std::numeric_limits<int>::min() ||
        *number > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

// What the display's current space is known by.
struct DisplayCurrent {
    std::int64_t fromServer = 0; // the display-current answer; 0 = none
    std::optional<std::int64_t> managedID;
    std::optional<std::string> uuid;
};

bool isActiveOnDisplay(const std::optional<std::int64_t>& managedID,
                       const std::optional<std::string>& uuid, const DisplayCurrent& current) {
    if (managedID && current.fromServer > 0) {
        return *managedID == current.fromServer;
    }
    if (managedID && current.managedID) {
        return *managedID == *current.managedID;
    }
    return uuid && current.uuid && *uuid == *current.uuid;
}

} // namespace

SpaceDetector::SpaceDetector(Platform& platform, const DisplayDirectory& displays,
                             const SpaceServerAPI& api)
    : platform_(platform)
    , displays_(displays)
    , api_(api) {}

json SpaceDetector::copyManagedDisplaySpaces() const {
    json answer = platform_.windowServer.copyManagedDisplaySpaces();
    if (!isArrayOfDictionaries(answer)) {
        return json::array();
    }
    return answer;
}

std::vector<SpaceInfo> SpaceDetector::detectSpaces() const {
    // A kept answer is read where it lies (copying it cost more than reading it), and the server
    // is asked once.
    static const json none = json::array();
    const std::shared_ptr<const json> kept = platform_.windowServer.keptManagedDisplaySpaces();
    const json& managedDisplays = kept && isArrayOfDictionaries(*kept) ? *kept : none;
    const std::uint64_t revision = kept ? platform_.windowServer.keptSpacesRevision() : 0;

    PassContext context(*this, api_.activeSpace ? api_.activeSpace() : 0);

    const std::size_t displayCount = std::min(managedDisplays.size(), kMaxDisplays);
    std::string overflow;
    if (displayCount < managedDisplays.size()) {
        overflow = "The window server claims " + std::to_string(managedDisplays.size()) +
                   " displays; reading the first " + std::to_string(displayCount);
    }
    std::vector<SpaceInfo> result;
    std::size_t capacity = 0;
    for (std::size_t i = 0; i < displayCount; ++i) {
        if (const json* spaces = member(managedDisplays[i], WindowServer::kSpaces);
            spaces && spaces->is_array()) {
            capacity += std::min(spaces->size(), kMaxSpacesPerDisplay);
            if (spaces->size() > kMaxSpacesPerDisplay && overflow.empty()) {
                overflow = "A display claims " + std::to_string(spaces->size()) +
                           " spaces; reading the first " + std::to_string(kMaxSpacesPerDisplay);
            }
        }
    }
    result.reserve(capacity);
    for (std::size_t i = 0; i < displayCount; ++i) {
        appendDisplay(managedDisplays[i], i, revision, context, result);
    }
    if (readings_.size() > displayCount) {
        readings_.resize(displayCount); // displays gone: their readings go too
    }
    reportOverflow(std::move(overflow));
    if (!SpaceInfo::firstCurrent(result)) {
        markFallbackCurrent(result);
    }
    return result;
}

const std::optional<std::string>& SpaceDetector::PassContext::focusedDisplay() {
    if (!focusedDisplay_) {
        auto identifier = detector_.displays_.focusedWindowDisplayIdentifier();
        if (!identifier) {
            identifier =
                detector_.displays_.displayIdentifier(detector_.platform_.displays.mainDisplayID());
        }
        focusedDisplay_ = std::move(identifier);
    }
    return *focusedDisplay_;
}

const std::optional<std::string>& SpaceDetector::PassContext::frontName() {
    if (!frontName_) {
        auto front = detector_.platform_.workspace.frontmostApplication();
        frontName_ = front ? std::move(front->localizedName) : std::nullopt;
    }
    return *frontName_;
}

void SpaceDetector::appendDisplay(const json& display, std::size_t index, std::uint64_t revision,
                                  PassContext& context, std::vector<SpaceInfo>& result) const {
    const json* identifierValue = member(display, WindowServer::kDisplayIdentifier);
    if (display.empty() || !identifierValue || !identifierValue->is_string()) {
        return;
    }
    const std::string& displayIdentifier = identifierValue->get_ref<const std::string&>();

    DisplayCurrent current;
    current.fromServer = api_.displayCurrentSpace ? api_.displayCurrentSpace(displayIdentifier) : 0;
    if (const json* currentSpace = member(display, WindowServer::kCurrentSpace);
        currentSpace && currentSpace->is_object()) {
        current.managedID = managedSpaceID(*currentSpace);
        current.uuid = nonEmptyString(*currentSpace, WindowServer::kUUID);
    }

    const json* spacesValue = member(display, WindowServer::kSpaces);
    if (!spacesValue || !isArrayOfDictionaries(*spacesValue)) {
        return; // no usable spaces: the display contributes nothing
    }

    DisplayReading& reading = readDisplay(index, revision, displayIdentifier, *spacesValue);
    // A reading without a revision is never used again: its records are taken, not copied.
    const bool kept = reading.revision != 0;
    for (std::size_t i = 0; i < reading.records.size(); ++i) {
        SpaceInfo space = kept ? reading.records[i] : std::move(reading.records[i]);
        space.isActiveOnDisplay =
            isActiveOnDisplay(space.managedSpaceID, reading.uuids[i], current);
        if (context.activeSpace() > 0 && space.managedSpaceID) {
            space.isCurrent = *space.managedSpaceID == context.activeSpace();
        } else {
            space.isCurrent = space.isActiveOnDisplay && context.focusedDisplay() &&
                              displayIdentifier == *context.focusedDisplay();
        }
        if (space.type == SpaceInfo::fullscreenType) {
            space.fullscreenAppName = fullscreenAppName(space, context);
        }
        result.push_back(std::move(space));
    }
}

SpaceDetector::DisplayReading& SpaceDetector::readDisplay(std::size_t index, std::uint64_t revision,
                                                          const std::string& identifier,
                                                          const json& spaces) const {
    if (readings_.size() <= index) {
        readings_.resize(index + 1);
    }
    DisplayReading& reading = readings_[index];
    if (revision != 0 && reading.revision == revision && reading.identifier == identifier) {
        return reading;
    }
    reading.revision = revision;
    reading.identifier = identifier;
    reading.records.clear();
    reading.uuids.clear();

    int desktopCount = 0;
    int position = 0;
    const std::size_t spaceCount = std::min(spaces.size(), kMaxSpacesPerDisplay);
    reading.records.reserve(spaceCount);
    reading.uuids.reserve(spaceCount);
    for (std::size_t i = 0; i < spaceCount; ++i) {
        const json& spaceValue = spaces[i];
        SpaceInfo space;
        space.type = spaceType(spaceValue);
        if (space.type == SpaceInfo::ordinaryDesktopType) {
            space.desktopIndex = desktopNumber(spaceValue, ++desktopCount);
        }
        auto uuid = nonEmptyString(spaceValue, WindowServer::kUUID);
        space.managedSpaceID = managedSpaceID(spaceValue);
        space.windowManagerName = windowManagerName(spaceValue);
        if (auto key = nonEmptyString(spaceValue, WindowServer::kPersistenceKey)) {
            space.persistenceID = std::move(key);
        } else if (uuid) {
            space.persistenceID = uuid;
        } else if (space.managedSpaceID) {
            space.persistenceID = "msid-" + std::to_string(*space.managedSpaceID);
        }
        space.id = space.persistenceID ? *space.persistenceID
                                       : identifier + "-" + std::to_string(position) + "-unknown";
        space.displayIdentifier = identifier;
        space.missionControlIndex = position + 1;
        if (space.type == SpaceInfo::fullscreenType) {
            space.ownerPID = ownerPID(spaceValue);
        }
        reading.records.push_back(std::move(space));
        reading.uuids.push_back(std::move(uuid));
        ++position;
    }
    return reading;
}

std::optional<std::string> SpaceDetector::fullscreenAppName(const SpaceInfo& space,
                                                            PassContext& context) const {
    if (space.ownerPID) {
        if (auto owner = platform_.workspace.runningApplication(*space.ownerPID);
            owner && owner->localizedName) {
            return std::move(owner->localizedName);
        }
    }
    if (space.isActiveOnDisplay) {
        return context.frontName();
    }
    return std::nullopt;
}

void SpaceDetector::reportOverflow(std::string note) const {
    if (note != overflowNote_ && !note.empty()) {
        platform_.log.log(LogLevel::Default, note);
    }
    overflowNote_ = std::move(note);
}

void SpaceDetector::markFallbackCurrent(std::vector<SpaceInfo>& spaces) const {
    std::set<std::string> activeIdentifiers;
    for (const DisplayID display : displays_.activeDisplayIDs()) {
        if (auto identifier = displays_.displayIdentifier(display)) {
            activeIdentifiers.insert(std::move(*identifier));
        }
    }
    auto chosen = std::find_if(spaces.begin(), spaces.end(), [&](const SpaceInfo& s) {
        return s.isActiveOnDisplay && activeIdentifiers.contains(s.displayIdentifier);
    });
    if (chosen == spaces.end()) {
        chosen = std::find_if(spaces.begin(), spaces.end(),
                              [](const SpaceInfo& s) { return s.isActiveOnDisplay; });
    }
    if (chosen != spaces.end()) {
        chosen->isCurrent = true;
    }
}

} // namespace quillbar
