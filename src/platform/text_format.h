#pragma once
// printf-style formatting into a std::string of whatever length it needs.

#include <string>

namespace orvane::platform {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace orvane::platform
