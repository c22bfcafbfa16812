// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/SpaceAssignment.h"

#include <string>
#include <string_view>

// How a name and an emoji read as a desktop's own name ("📬 Mail"), and back.
namespace quillbar::DesktopLabel {

// The emoji, a space and the name; the name alone without an emoji; the emoji and defaultName
// without a name; empty for an empty assignment.
std::string compose(const SpaceAssignment& assignment, const std::string& defaultName);

// A desktop's own name as a name and an emoji: a leading emoji followed by a space is the emoji,
// the rest (trimmed) the name; any other text is all name. Ill-formed UTF-8 becomes U+FFFD.
SpaceAssignment parse(std::string_view label);

} // namespace quillbar::DesktopLabel
