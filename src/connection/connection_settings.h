#pragma once
// The "Connect" section of the settings file: how to reach the instrument.

#include "platform/ini_file.h"
#include "transport/connection_record.h"

namespace orvane::connection {

inline constexpr const char kSectionConnect[] = "Connect";
inline constexpr const char kKeyInterface[] = "Interface";
inline constexpr const char kKeyComPort[] = "ComPort";
inline constexpr const char kKeyBaudRate[] = "BaudRate";
inline constexpr const char kKeyIpAddr[] = "IPAddr";

// Reads the section into the record; with no settings file the defaults apply.
void LoadConnectionSettings(const platform::IniFile* settings, transport::ConnectionRecord& record);
// Stops at the first key that cannot be written.
platform::WriteResult SaveConnectionSettings(platform::IniFile& settings,
                                             const transport::ConnectionRecord& record);

}  // namespace orvane::connection
