// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kwin/KWinDesktopTable.h"

#include "model/UnicodeText.h"
#include "platform/WindowServer.h"

#include <algorithm>
#include <set>

namespace quillbar {

namespace {

// The text as well-formed UTF-8 of at most limit bytes, cut before a character that would not fit.
std::string boundedText(const std::string& text, std::size_t limit) {
    std::string valid = UnicodeText::toValidUtf8(text);
    if (valid.size() <= limit) {
        return valid;
    }
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(valid[end]) & 0xC0) == 0x80) {
        --end; // valid[end] continues a character: cut before that character starts
    }
    valid.resize(end);
    return valid;
}

} // namespace

void KWinDesktopTable::setDesktops(std::vector<Desktop> sent, std::string current) {
    std::stable_sort(sent.begin(), sent.end(),
                     [](const Desktop& a, const Desktop& b) { return a.position < b.position; });
    std::vector<Desktop> usable;
    std::set<std::string> seen;
    for (Desktop& desktop : sent) {
        if (usable.size() == kMaxDesktops) {
            break;
        }
        if (desktop.id.empty() || desktop.id.size() > kMaxIDBytes) {
            continue;
        }
        desktop.id = UnicodeText::toValidUtf8(desktop.id);
        if (!seen.insert(desktop.id).second) {
            continue;
        }
        desktop.name = boundedText(desktop.name, kMaxNameBytes);
        desktop.position = static_cast<std::int64_t>(usable.size());
        usable.push_back(std::move(desktop));
    }
    desktops_ = std::move(usable);
    known_ = true;
    if (numbers_.size() + desktops_.size() > kMaxRemembered) {
        forgetAbsentNumbers();
    }
    for (const Desktop& desktop : desktops_) {
        numberFor(desktop.id);
    }
    setCurrent(std::move(current));
}

bool KWinDesktopTable::setCurrent(std::string current) {
    current_ = current.size() > kMaxIDBytes ? std::string() : UnicodeText::toValidUtf8(current);
    return std::any_of(desktops_.begin(), desktops_.end(),
                       [this](const Desktop& desktop) { return desktop.id == current_; });
}

void KWinDesktopTable::clear() {
    desktops_.clear();
    current_.clear();
    known_ = false;
}

std::int64_t KWinDesktopTable::numberFor(const std::string& id) {
    auto [entry, added] = numbers_.try_emplace(id, nextNumber_);
    if (added) {
        ++nextNumber_;
    }
    return entry->second;
}

void KWinDesktopTable::forgetAbsentNumbers() {
    std::set<std::string> present;
    for (const Desktop& desktop : desktops_) {
        present.insert(desktop.id);
    }
    std::erase_if(numbers_,
                  [&present](const auto& entry) { return !present.contains(entry.first); });
}

std::int64_t KWinDesktopTable::managedSpaceID(const std::string& id) const {
    const auto found = numbers_.find(id);
    return found == numbers_.end() ? 0 : found->second;
}

nlohmann::json KWinDesktopTable::managedDisplaySpaces(const std::string& displayIdentifier) const {
    if (!known_) {
        return nullptr;
    }
    auto spaces = nlohmann::json::array();
    nlohmann::json current = nlohmann::json::object();
    for (const Desktop& desktop : desktops_) {
        nlohmann::json space = {{WindowServer::kManagedSpaceID, managedSpaceID(desktop.id)},
                                {WindowServer::kUUID, desktop.id},
                                {WindowServer::kType, 0},
                                {WindowServer::kSpaceName, desktop.name}};
        if (desktop.id == current_) {
            current = {{WindowServer::kManagedSpaceID, managedSpaceID(desktop.id)},
                       {WindowServer::kUUID, desktop.id}};
        }
        spaces.push_back(std::move(space));
    }
    return nlohmann::json::array({{{WindowServer::kDisplayIdentifier, displayIdentifier},
                                   {WindowServer::kCurrentSpace, std::move(current)},
                                   {WindowServer::kSpaces, std::move(spaces)}}});
}

std::int64_t KWinDesktopTable::activeSpace() const {
    for (const Desktop& desktop : desktops_) {
        if (desktop.id == current_) {
            return managedSpaceID(desktop.id);
        }
    }
    return 0;
}

std::optional<std::string> KWinDesktopTable::desktopID(std::int64_t managedSpaceID) const {
    for (const Desktop& desktop : desktops_) {
        if (this->managedSpaceID(desktop.id) == managedSpaceID) {
            return desktop.id;
        }
    }
    return std::nullopt;
}

} // namespace quillbar
