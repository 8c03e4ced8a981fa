#pragma once
// Reading numbers out of script text the way the script language defines it:
// decimal only, reading stops at the first character that cannot belong to the
// number, and no number at all reads as 0. Independent of the process locale.

#include <string_view>

namespace orvane::script {

// An optional sign, digits with an optional point, an optional exponent. A value
// too large for a double reads as an infinity, one too small as zero.
double ReadDecimalNumber(std::string_view text);

}  // namespace orvane::script
