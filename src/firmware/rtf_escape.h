#pragma once
// Putting outside text (instrument replies, file names) into RTF so that it
// shows as itself: a "\" or a brace in a file name must not turn into markup.

#include <cstddef>
#include <string>
#include <string_view>

namespace orvane::firmware {

// "\", "{" and "}" escaped; UTF-8 characters as \uN? (the preview declares
// \uc1); a byte that is not UTF-8 as \'hh; control characters as "?".
std::string RtfEscape(std::string_view utf8);

// The text in exactly `width` characters: padded with spaces, and cut when
// `cut` is set. Counts characters, not bytes, and never splits one.
std::string FitColumns(std::string_view utf8, std::size_t width, bool cut);

}  // namespace orvane::firmware
