// SPDX-License-Identifier: GPL-3.0-or-later
// Desktop names and their stored records from any bytes: records round-trip within their bounds;
// a name parses into a name and at most one emoji that compose back to the trimmed text.
#include "FuzzCheck.h"
#include "model/DesktopLabel.h"
#include "model/DesktopNameRecord.h"
#include "model/EmojiInput.h"
#include "model/UnicodeText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const quillbar::SpaceAssignment parsed = quillbar::DesktopLabel::parse(bytes);
    FUZZ_CHECK(parsed.emoji.empty() || quillbar::EmojiInput::isEmoji(parsed.emoji));
    FUZZ_CHECK(parsed.name.empty() || !parsed.emoji.empty() ||
               parsed.name == quillbar::UnicodeText::trimmed(bytes));
    if (const auto records = quillbar::decodeDesktopNameRecords(bytes)) {
        FUZZ_CHECK(records->size() <= quillbar::maxDesktopNameRecords);
        for (const auto& [key, record] : *records) {
            FUZZ_CHECK(record.original.size() <= quillbar::maxDesktopNameRecordBytes &&
                       record.written.size() <= quillbar::maxDesktopNameRecordBytes);
        }
        const auto again =
            quillbar::decodeDesktopNameRecords(quillbar::encodeDesktopNameRecords(*records));
        FUZZ_CHECK(again && *again == *records);
    }
    return 0;
}
