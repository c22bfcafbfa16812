// SPDX-License-Identifier: GPL-3.0-or-later
// The emoji rule on any text a user can type or a settings file can hold: the result is one
// emoji or nothing, and applying the rule again changes nothing.
#include "FuzzCheck.h"
#include "model/EmojiInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string emoji = quillbar::EmojiInput::normalise(text);
    FUZZ_CHECK(emoji.empty() || quillbar::EmojiInput::isEmoji(emoji));
    FUZZ_CHECK(quillbar::EmojiInput::normalise(emoji) == emoji);
    return 0;
}
