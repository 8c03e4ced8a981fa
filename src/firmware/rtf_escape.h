#pragma once
// Putting outside text (instrument replies, file names) into RTF so that it
// shows as itself: a "\" or a brace in a file name must not turn into markup.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::firmware {

struct Utf8Char {
    uint32_t code = 0;
    std::size_t length = 0;  // 0: the byte at the position starts no valid character
};

// The character that starts at byte `at` (which must be inside the text).
// Overlong forms, surrogates and cut sequences are not valid.
Utf8Char DecodeUtf8(std::string_view utf8, std::size_t at);

// "\", "{" and "}" escaped; UTF-8 characters as \uN? (the preview declares
// \uc1); a byte that is not UTF-8 as \'hh; control characters as "?".
std::string RtfEscape(std::string_view utf8);

// The text in exactly `width` characters: padded with spaces, and cut when
// `cut` is set. Counts characters, not bytes, and never splits one.
std::string FitColumns(std::string_view utf8, std::size_t width, bool cut);

}  // namespace orvane::firmware
