// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Defaults.h"

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace quillbar {

// Defaults kept in memory for one process. Records every successful write and can pretend to
// hold a value of another kind or to refuse writes, so callers' fallbacks can be exercised.
class MemoryDefaults final : public Defaults {
public:
    std::optional<std::string> data(const std::string& key) const override;
    bool setData(const std::string& key, std::string_view bytes) override;
    bool boolValue(const std::string& key) const override;
    bool setBool(const std::string& key, bool value) override;
    std::optional<std::string> nonDataText(const std::string& key) const override;
    std::optional<std::string> readProblem() const override { return readProblem_; }
    std::optional<std::string> writeProblem() const override { return writeProblem_; }
    // Counts the call; the values stay (they are all in memory).
    std::optional<std::string> reload() override;

    // From now on the values cannot be read (problem) or can again (nullopt): while they cannot,
    // reads find nothing and writes fail.
    void setReadProblem(std::optional<std::string> problem);
    // Number of reload() calls so far.
    std::size_t reloadCount() const { return reloads_; }

    // Stores a text (string) value under key: neither data nor a boolean. Not counted as a write.
    void setText(const std::string& key, std::string text);
    // Removes whatever is stored under key. Not counted as a write.
    void remove(const std::string& key);
    // Whether anything is stored under key.
    bool contains(const std::string& key) const;

    // From now on, writes to every key fail (true, for reason) or succeed again (false).
    void setFailing(bool failing, std::string reason = "No space left on device");
    // From now on, writes to key fail (true) or succeed again (false).
    void setFailing(const std::string& key, bool failing);

    // Number of successful setData/setBool calls so far.
    std::size_t writeCount() const { return writtenKeys_.size(); }
    // Keys of the successful setData/setBool calls so far, oldest first.
    const std::vector<std::string>& writtenKeys() const { return writtenKeys_; }

private:
    struct Text {
        std::string text;
    };
    using Value = std::variant<std::string, bool, Text>; // data, boolean, text

    bool accepts(const std::string& key) const;
    bool write(const std::string& key, Value value);

    std::map<std::string, Value> values_;
    std::vector<std::string> writtenKeys_;
    std::set<std::string> failingKeys_;
    bool failing_ = false;
    std::optional<std::string> readProblem_;
    std::optional<std::string> writeProblem_;
    std::string failReason_ = "No space left on device";
    std::size_t reloads_ = 0;
};

} // namespace quillbar
