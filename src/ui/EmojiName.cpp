// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EmojiName.h"

#include <unicode/uchar.h>

#include <QStringList>

#include <array>

namespace quillbar::EmojiName {

namespace {
constexpr char32_t combiningKeycap = 0x20E3;
constexpr char32_t zeroWidthJoiner = 0x200D;

bool isSilent(char32_t c) {
    return (c >= 0xFE00 && c <= 0xFE0F) || c == zeroWidthJoiner;
}

QString unicodeName(char32_t c) {
    std::array<char, 128> buffer{};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = u_charName(static_cast<UChar32>(c), U_UNICODE_CHAR_NAME, buffer.data(),
                                      static_cast<int32_t>(buffer.size()), &status);
    if (U_FAILURE(status) || length <= 0)
        return {};
    return QString::fromLatin1(buffer.data(), length).toLower();
}
} // namespace

QString of(const QString& emoji) {
    const QList<uint> scalars = emoji.toUcs4();
    if (scalars.size() >= 2 && scalars.back() == combiningKeycap) {
        const char32_t base = scalars.front();
        return QStringLiteral("keycap ") + QString::fromUcs4(&base, 1);
    }
    QStringList words;
    for (const uint c : scalars) {
        if (isSilent(c))
            continue;
        const QString name = unicodeName(c);
        if (!name.isEmpty())
            words << name;
    }
    return words.join(QLatin1Char(' '));
}

} // namespace quillbar::EmojiName
