// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillbar {

// The per-user key-value store that keeps settings across launches.
class Defaults {
public:
    virtual ~Defaults() = default;

    // Bytes stored as a data value under key; nullopt when absent or not a data value.
    virtual std::optional<std::string> data(const std::string& key) const = 0;
    // Stores bytes as a data value under key; false when the store could not keep it.
    virtual bool setData(const std::string& key, std::string_view bytes) = 0;
    // Boolean under key; false when absent or not a boolean.
    virtual bool boolValue(const std::string& key) const = 0;
    // Stores a boolean under key; false when the store could not keep it.
    virtual bool setBool(const std::string& key, bool value) = 0;
    // The value under key in text form when there is one but it is not a data value (a text, a
    // list, a number …); nullopt when absent or a data value.
    virtual std::optional<std::string> nonDataText(const std::string& key) const = 0;

    // Why the stored values could not be read when they were last read (the file's permissions,
    // say); nullopt when they could. Meanwhile every write is refused, so nothing unread is
    // overwritten.
    virtual std::optional<std::string> readProblem() const = 0;
    // Why the last write was refused (no space left, the file locked …); nullopt after one that
    // worked.
    virtual std::optional<std::string> writeProblem() const = 0;
    // Reads the stored values again (another process may have changed them) and answers as
    // readProblem() does afterwards.
    virtual std::optional<std::string> reload() = 0;
};

} // namespace quillbar
