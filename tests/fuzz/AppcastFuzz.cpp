// SPDX-License-Identifier: GPL-3.0-or-later
// The update feed as any document a server can send: parsing ends in items or an error, in time
// and memory that grow with the document only; the newest item is one of the items.
#include "FuzzCheck.h"
#include "services/AppcastParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray document =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const auto items = quillbar::AppcastParser::parse(document, error);
    if (!items) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    for (const quillbar::AppcastItem& item : *items) {
        FUZZ_CHECK(!item.version.isEmpty());
    }
    if (const auto newest = quillbar::AppcastParser::newestNewerThan(*items, "1.0")) {
        FUZZ_CHECK(items->contains(*newest));
    }
    return 0;
}
