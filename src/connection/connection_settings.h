#pragma once
// The "Connect" section of the settings file: how to reach the instrument.

#include "transport/connection_record.h"

namespace orvane::platform {
class IniFile;
}

namespace orvane::connection {

inline constexpr const char kSectionConnect[] = "Connect";
inline constexpr const char kKeyInterface[] = "Interface";
inline constexpr const char kKeyComPort[] = "ComPort";
inline constexpr const char kKeyBaudRate[] = "BaudRate";
inline constexpr const char kKeyIpAddr[] = "IPAddr";

// Reads the section into the record; with no settings file the defaults apply.
void LoadConnectionSettings(const platform::IniFile* settings, transport::ConnectionRecord& record);
// False when there is no settings file or it could not be written (errno tells why).
bool SaveConnectionSettings(platform::IniFile* settings, const transport::ConnectionRecord& record);

}  // namespace orvane::connection
