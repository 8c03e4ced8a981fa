#pragma once
// Who we are: the names and version parts that captions, the window title and the
// comms log header are built from.

#include <string>
#include <string_view>

#include "platform/version.h"

namespace orvane::platform {

inline constexpr const char kMakerName[] = "Kelmscot";
inline constexpr const char kProductName[] = "Orvane2";
inline constexpr const char kProductFolder[] = "Orvaner";
inline constexpr const char kVersionMajor[] = ORVANE_VERSION_MAJOR_TEXT;
inline constexpr const char kVersionMinor[] = ORVANE_VERSION_MINOR_TEXT;
inline constexpr const char kVersionBuild[] = ORVANE_VERSION_PATCH_TEXT;

// What --version prints: "orvane2-cli 1.4 (build 18)".
inline std::string VersionLine(std::string_view program) {
    return std::string(program) + " " + kVersionMajor + "." + kVersionMinor + " (build " +
           kVersionBuild + ")\n";
}

}  // namespace orvane::platform
