#pragma once
// Texts that come from files or from an instrument's identity are printed with
// their control bytes made visible: an ESC, OSC or BEL in a descriptor or an
// answer must not clear the screen or retitle the window. Console and query
// output stays as received; that is the instrument's own output.

#include <string>
#include <string_view>

namespace orvane::cli {

// Tab and line feed stay (texts run over several lines). Every other C0 byte and
// DEL become caret notation ("^[" for ESC, "^G" for BEL, "^M" for CR, "^?" for
// DEL). C1 controls have no caret form and become "\xNN": both U+0080..U+009F
// written as UTF-8 and a lone byte 0x80..0x9F, which an 8-bit terminal obeys.
// Any other UTF-8 sequence, and any other byte, passes unchanged.
std::string MadeVisible(std::string_view text);

}  // namespace orvane::cli
