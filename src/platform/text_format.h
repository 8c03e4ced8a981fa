#pragma once
// printf-style formatting into a std::string of whatever length it needs.

#include <string>

namespace orvane::platform {

// On Windows the checks follow the C99 printf the build selects, not the
// system library's older one.
#ifdef __MINGW32__
std::string Format(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
#else
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
#endif

}  // namespace orvane::platform
