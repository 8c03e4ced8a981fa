#pragma once
// The texts of the LAN search and of the LAN Find Instrument dialog.

namespace orvane::connection {

inline constexpr const char kLanFindCaption[] = "LAN Find Instrument";
inline constexpr const char kNoInstrumentsFound[] = "No Instruments found on this subnet";
// The variable's name, then its entries that are not addresses, quoted.
inline constexpr const char kDiscoveryAddressNotIpv4[] =
    "Not an IPv4 address in %s: %s. Give dotted addresses such as 192.168.1.20, separated by "
    "commas; nothing was searched.";
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
