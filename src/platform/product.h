#pragma once
// Who we are: the names and version parts that captions, the window title and the
// comms log header are built from.

namespace orvane::platform {

inline constexpr const char kMakerName[] = "Kelmscot";
inline constexpr const char kProductName[] = "Orvane2";
inline constexpr const char kProductFolder[] = "Orvaner";
inline constexpr const char kVersionMajor[] = "1";
inline constexpr const char kVersionMinor[] = "4";
inline constexpr const char kVersionBuild[] = "18";

}  // namespace orvane::platform
