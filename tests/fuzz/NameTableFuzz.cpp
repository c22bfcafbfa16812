// SPDX-License-Identifier: GPL-3.0-or-later
// The stored name table as any bytes a settings file can hold: decoding never fails other than
// by nullopt, and a decoded table survives encoding and decoding unchanged.
#include "FuzzCheck.h"
#include "model/NameTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view stored(reinterpret_cast<const char*>(data), size);
    const auto table = quillbar::decodeNameTable(stored);
    if (!table) {
        return 0;
    }
    const auto again = quillbar::decodeNameTable(quillbar::encodeNameTable(*table));
    FUZZ_CHECK(again && *again == *table);
    return 0;
}
