// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace quillbar {

// The lines a status bar reads for a title, without any toolkit: the one-shot client and the
// follower print the same bytes.
class TitleLine {
public:
    enum class Format { Plain, Json, I3bar };

    // The line printed for a UTF-8 title, newline included: plain text with every line break
    // (LF, CR, VT, FF, NEL, U+2028, U+2029) made a space; waybar's {"text", "tooltip"}; or one
    // i3bar status line and its separating comma. Ill-formed UTF-8 becomes U+FFFD in JSON.
    static std::string format(std::string_view title, Format format);
    // What a format prints before the first title: i3bar's header and "[", else nothing.
    static std::string preamble(Format format);
};

} // namespace quillbar
