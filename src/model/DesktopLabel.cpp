// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/DesktopLabel.h"

#include "model/EmojiInput.h"
#include "model/UnicodeText.h"

namespace quillbar::DesktopLabel {

std::string compose(const SpaceAssignment& assignment, const std::string& defaultName) {
    if (assignment.emoji.empty()) {
        return assignment.name;
    }
    return assignment.emoji + " " + (assignment.name.empty() ? defaultName : assignment.name);
}

SpaceAssignment parse(std::string_view label) {
    const std::string text = UnicodeText::trimmed(label);
    // An emoji character is at most 32 code points of at most 4 bytes.
    const std::string first = UnicodeText::prefix(text, 1, 128);
    if (first.size() < text.size() && text[first.size()] == ' ' && EmojiInput::isEmoji(first)) {
        return {UnicodeText::trimmed(std::string_view(text).substr(first.size())), first};
    }
    return {text, ""};
}

} // namespace quillbar::DesktopLabel
