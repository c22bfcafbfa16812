// SPDX-License-Identifier: GPL-3.0-or-later
// Titles from any name: the shortened text never has more than the limit of characters and
// grows only by what ill-formed bytes and the ellipsis add.
#include "FuzzCheck.h"
#include "observer/TextShortener.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const quillbar::TextShortener shortener;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string title = shortener.shortened(text);
    FUZZ_CHECK(shortener.characterCount(title) <= quillbar::TextShortener::kLimit);
    // Each ill-formed byte may become U+FFFD (3 bytes); "…" adds 3 more.
    FUZZ_CHECK(title.size() <= 3 * text.size() + 3);
    return 0;
}
