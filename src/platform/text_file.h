#pragma once
// Text files as the instruments' own tools write them: every line ends in CR LF.

#include <string>
#include <string_view>

namespace orvane::platform {

// Carriage returns dropped, then every line feed written as CR LF: the bytes a
// text-mode stream produces on the instruments' home platform, kept here so that
// saved results read the same on both.
std::string CrlfTextBytes(std::string_view text);

}  // namespace orvane::platform
