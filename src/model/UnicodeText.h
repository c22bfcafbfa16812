// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Small UTF-8 helpers shared by the model. All of them accept ill-formed UTF-8 and never
// produce it: ill-formed sequences come out as U+FFFD.
namespace quillbar::UnicodeText {

// True for the characters trimmed from the ends of names and emoji input: general category Z,
// U+0009 to U+000D and U+0085.
bool isTrimmable(char32_t c);

// The text unchanged when it is well-formed UTF-8, else with each ill-formed sequence replaced
// by U+FFFD.
std::string toValidUtf8(std::string_view text);

// The text in Unicode Normalisation Form C, so that canonically equivalent texts compare equal
// byte for byte.
std::string toNFC(std::string_view text);

// The text without trimmable characters (see isTrimmable) at either end.
std::string trimmed(std::string_view text);

// The longest leading part of the text that has at most maxClusters grapheme clusters and at most
// maxBytes bytes, cut between clusters (inside a first cluster longer than maxBytes, between
// code points).
std::string prefix(std::string_view text, std::size_t maxClusters, std::size_t maxBytes);

} // namespace quillbar::UnicodeText
