// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/MemoryDefaults.h"

#include <utility>

namespace quillbar {

std::optional<std::string> MemoryDefaults::data(const std::string& key) const {
    const auto found = values_.find(key);
    if (readProblem_ || found == values_.end()) {
        return std::nullopt;
    }
    if (const auto* bytes = std::get_if<std::string>(&found->second)) {
        return *bytes;
    }
    return std::nullopt;
}

bool MemoryDefaults::setData(const std::string& key, std::string_view bytes) {
    return write(key, std::string(bytes));
}

bool MemoryDefaults::boolValue(const std::string& key) const {
    const auto found = values_.find(key);
    if (readProblem_ || found == values_.end()) {
        return false;
    }
    const auto* flag = std::get_if<bool>(&found->second);
    return flag != nullptr && *flag;
}

bool MemoryDefaults::setBool(const std::string& key, bool value) {
    return write(key, value);
}

std::optional<std::string> MemoryDefaults::nonDataText(const std::string& key) const {
    const auto found = values_.find(key);
    if (readProblem_ || found == values_.end()) {
        return std::nullopt;
    }
    if (const auto* flag = std::get_if<bool>(&found->second)) {
        return *flag ? "true" : "false";
    }
    if (const auto* text = std::get_if<Text>(&found->second)) {
        return text->text;
    }
    return std::nullopt;
}

std::optional<std::string> MemoryDefaults::reload() {
    ++reloads_;
    return readProblem_;
}

void MemoryDefaults::setReadProblem(std::optional<std::string> problem) {
    readProblem_ = std::move(problem);
}

void MemoryDefaults::setText(const std::string& key, std::string text) {
    values_[key] = Text{std::move(text)};
}

void MemoryDefaults::remove(const std::string& key) {
    values_.erase(key);
}

bool MemoryDefaults::contains(const std::string& key) const {
    return values_.count(key) != 0;
}

void MemoryDefaults::setFailing(bool failing, std::string reason) {
    failing_ = failing;
    failReason_ = std::move(reason);
}

void MemoryDefaults::setFailing(const std::string& key, bool failing) {
    if (failing) {
        failingKeys_.insert(key);
    } else {
        failingKeys_.erase(key);
    }
}

bool MemoryDefaults::accepts(const std::string& key) const {
    return !readProblem_ && !failing_ && failingKeys_.count(key) == 0;
}

bool MemoryDefaults::write(const std::string& key, Value value) {
    if (!accepts(key)) {
        writeProblem_ = readProblem_ ? *readProblem_ : failReason_;
        return false;
    }
    writeProblem_.reset();
    values_[key] = std::move(value);
    writtenKeys_.push_back(key);
    return true;
}

} // namespace quillbar
