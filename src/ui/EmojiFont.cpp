// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EmojiFont.h"

namespace quillbar::EmojiFont {

namespace {
constexpr char16_t variationSelector16 = 0xFE0F;
constexpr char16_t combiningKeycap = 0x20E3;
} // namespace

QFont font(int pixelSize) {
    QFont result(QStringLiteral("Noto Color Emoji"));
    result.setPixelSize(pixelSize);
    // Named alone, the family must not be swapped for a text font that happens to have the glyph.
    result.setStyleStrategy(QFont::NoFontMerging);
    return result;
}

QString displayText(const QString& emoji) {
    QString text;
    text.reserve(emoji.size());
    for (qsizetype i = 0; i < emoji.size(); ++i) {
        const bool keycapSelector = emoji[i] == QChar(variationSelector16) &&
                                    i + 1 < emoji.size() && emoji[i + 1] == QChar(combiningKeycap);
        if (!keycapSelector)
            text += emoji[i];
    }
    return text;
}

} // namespace quillbar::EmojiFont
