// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

// A property every input must keep; a broken one ends the run so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: %s does not hold\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// The fuzzer's bytes taken from the front; past the end every read gives zeros or nothing.
struct FuzzInput {
    const std::uint8_t* data;
    std::size_t size;
    std::uint8_t byte() {
        if (size == 0) {
            return 0;
        }
        --size;
        return *data++;
    }
    std::uint32_t u32() {
        std::uint32_t value = 0;
        const std::size_t n = std::min(size, sizeof value);
        std::memcpy(&value, data, n);
        data += n;
        size -= n;
        return value;
    }
    // A length byte (in units of 8 bytes), then that many bytes.
    std::string_view text() {
        const std::size_t length = std::min<std::size_t>(byte() * 8u, size);
        const std::string_view answer(reinterpret_cast<const char*>(data), length);
        data += length;
        size -= length;
        return answer;
    }
    std::string_view rest() const { return {reinterpret_cast<const char*>(data), size}; }
};

// The bytes as lines.
inline std::vector<std::string> fuzzLines(const std::uint8_t* data, std::size_t size) {
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<std::string> lines;
    for (std::string line; std::getline(input, line);) {
        lines.push_back(line);
    }
    return lines;
}
