#pragma once
// What the busy indicator says while a connection is made or looked for, and
// what the status line under the panes says about connections.

namespace orvane::connection {

inline constexpr const char kConnectingTo[] = "Connecting to %s...";
inline constexpr const char kWaitingForDevice[] = "Waiting for %s to come back: %u s";
inline constexpr const char kSearchingTheLan[] = "Searching the LAN for instruments...";

inline constexpr const char kStatusNoInterface[] =
    "Connect did nothing: no interface chosen (USB, LAN or Serial)";
inline constexpr const char kStatusCancelled[] = "Connecting to %s cancelled at %s";
inline constexpr const char kStatusFailed[] = "Connecting to %s failed at %s";
inline constexpr const char kStatusTestPassed[] = "Test of %s succeeded at %s";
inline constexpr const char kStatusTestFailed[] = "Test of %s failed at %s";
inline constexpr const char kStatusTestCancelled[] = "Test of %s cancelled at %s";
inline constexpr const char kStatusSearchCancelled[] = "LAN search cancelled at %s";

// "14:03:27": when a status line's event happened.
inline constexpr const char kStatusTimeFormat[] = "%02d:%02d:%02d";

}  // namespace orvane::connection
