#pragma once
// The texts of the LAN search and of the LAN Find Instrument dialog.

namespace orvane::connection {

inline constexpr const char kLanFindCaption[] = "LAN Find Instrument";
inline constexpr const char kNoInstrumentsFound[] = "No Instruments found on this subnet";
inline constexpr const char kLanFindDialogTitle[] = "Please Choose Instrument";
inline constexpr const char kColumnIpAddress[] = "IP Address";
inline constexpr const char kColumnInstrument[] = "Instrument";
inline constexpr int kColumnIpAddressPercent = 30;
inline constexpr int kColumnInstrumentPercent = 70;

inline constexpr const char kConnectionFailed1[] = "Connection Failed 1";  // no TCP connection
inline constexpr const char kConnectionFailed2[] = "Connection Failed 2";  // no answer to "*IDN?"
inline constexpr const char kConnectionFailed3[] =
    "Connection Failed 3";  // an answer without a comma

inline constexpr const char kIdentityQuery[] = "*IDN?\n";

}  // namespace orvane::connection
