// SPDX-License-Identifier: GPL-3.0-or-later
#include "observer/ValueCoercion.h"

#include <algorithm>

#include <charconv>
#include <cmath>
#include <limits>

namespace quillbar::ValueCoercion {

using nlohmann::json;

namespace {

// 2^63 is exact as a double; every double in [-2^63, 2^63) truncates into the signed 64-bit range.
constexpr double kTwoToThe63 = 9223372036854775808.0;

std::optional<std::int64_t> truncatedDouble(double value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double whole = std::trunc(value);
    if (whole < -kTwoToThe63 || whole >= kTwoToThe63) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(whole);
}

std::optional<std::int64_t> numberValue(const json& value) {
    switch (value.type()) {
    case json::value_t::number_integer:
        return value.get<std::int64_t>();
    case json::value_t::number_unsigned: {
        const auto unsignedValue = value.get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(unsignedValue);
    }
    case json::value_t::number_float:
        return truncatedDouble(value.get<double>());
    default:
        return std::nullopt;
    }
}

std::optional<double> parseDouble(std::string_view text) {
    // from_chars takes no leading "+"; a sign after it ("+-1") must still fail.
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
            return std::nullopt;
        }
    }
    if (text.empty()) {
        return std::nullopt;
    }
    double result = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, result);
    // Text that overflows or underflows has no faithful value and is not convertible.
    if (ptr != end || error != std::errc()) {
        return std::nullopt;
    }
    return result;
}

std::string decimalText(const json& number) {
    if (number.is_number_float()) {
        const double value = number.get<double>();
        if (const auto whole = truncatedDouble(value);
            whole && static_cast<double>(*whole) == value) {
            return std::to_string(*whole); // 3.0 reads as "3"
        }
        char buffer[32];
        const auto [ptr, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
        return error == std::errc() ? std::string(buffer, ptr) : std::string();
    }
    if (number.is_number_unsigned()) {
        return std::to_string(number.get<std::uint64_t>());
    }
    return std::to_string(number.get<std::int64_t>());
}

} // namespace

std::optional<std::int64_t> parseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    // Parse the magnitude unsigned so that the most negative value fits.
    std::uint64_t magnitude = 0;
    const auto [ptr, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (error != std::errc() || ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    constexpr auto maxPositive =
        static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (negative) {
        if (magnitude > maxPositive + 1) {
            return std::nullopt;
        }
        return magnitude == maxPositive + 1 ? std::numeric_limits<std::int64_t>::min()
                                            : -static_cast<std::int64_t>(magnitude);
    }
    if (magnitude > maxPositive) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(magnitude);
}

std::optional<std::int64_t> intValue(const json& value) {
    if (value.is_number()) {
        return numberValue(value);
    }
    if (value.is_string()) {
        return parseInteger(value.get_ref<const std::string&>());
    }
    return std::nullopt;
}

std::optional<std::int64_t> int64Value(const json& value) {
    return intValue(value);
}

std::optional<std::int64_t> int64Value(const json& dictionary,
                                       std::initializer_list<std::string_view> keys) {
    for (const std::string_view key : keys) {
        if (const json* found = member(dictionary, key)) {
            if (auto result = int64Value(*found)) {
                return result;
            }
        }
    }
    return std::nullopt;
}

double doubleValue(const json& value, double fallback) {
    if (value.is_number()) {
        return value.get<double>();
    }
    if (value.is_string()) {
        return parseDouble(value.get_ref<const std::string&>()).value_or(fallback);
    }
    return fallback;
}

std::optional<Rect> rectValue(const json& value) {
    if (!value.is_object()) {
        return std::nullopt;
    }
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const auto component = [&](std::string_view key) {
        const json* found = member(value, key);
        return found ? doubleValue(*found, nan) : nan;
    };
    const Rect rect{component("X"), component("Y"), component("Width"), component("Height")};
    if (std::isnan(rect.x) || std::isnan(rect.y) || std::isnan(rect.width) ||
        std::isnan(rect.height)) {
        return std::nullopt;
    }
    return rect;
}

std::optional<std::string> stringValue(const json& dictionary, std::string_view key) {
    const json* found = member(dictionary, key);
    if (!found) {
        return std::nullopt;
    }
    if (found->is_string()) {
        return found->get<std::string>();
    }
    if (found->is_number()) {
        return decimalText(*found);
    }
    return std::nullopt;
}

bool isArrayOfDictionaries(const json& value) {
    return value.is_array() &&
           std::all_of(value.begin(), value.end(), [](const json& e) { return e.is_object(); });
}

const json* member(const json& dictionary, std::string_view key) {
    if (!dictionary.is_object()) {
        return nullptr;
    }
    const auto found = dictionary.find(key);
    return found == dictionary.end() ? nullptr : &*found;
}

} // namespace quillbar::ValueCoercion
