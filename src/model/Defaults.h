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
};

} // namespace quillbar
