#include "connection/connection_settings.h"

#include "platform/ini_file.h"

namespace orvane::connection {

using transport::InterfaceKind;

void LoadConnectionSettings(const platform::IniFile* settings, transport::ConnectionRecord& r) {
    if (!settings) {
        r.interfaceKind = InterfaceKind::None;
        r.comPort.clear();
        r.baudRate = 0;
        r.ipAddress.Clear();
        return;
    }
    r.interfaceKind =
        static_cast<InterfaceKind>(settings->ReadInt(kSectionConnect, kKeyInterface, 0));
    r.comPort = settings->ReadString(kSectionConnect, kKeyComPort, "");
    r.baudRate = static_cast<uint32_t>(settings->ReadInt(kSectionConnect, kKeyBaudRate, 0));
    r.ipAddress = settings->ReadString(kSectionConnect, kKeyIpAddr, "");
}

platform::WriteResult SaveConnectionSettings(platform::IniFile& settings,
                                             const transport::ConnectionRecord& r) {
    const int kind = static_cast<int>(r.interfaceKind);
    const int baudRate = static_cast<int>(r.baudRate);
    const std::string_view ip = r.ipAddress.view();
    platform::WriteResult written = settings.WriteInt(kSectionConnect, kKeyInterface, kind);
    if (written.ok()) written = settings.WriteString(kSectionConnect, kKeyComPort, r.comPort);
    if (written.ok()) written = settings.WriteInt(kSectionConnect, kKeyBaudRate, baudRate);
    if (written.ok()) written = settings.WriteString(kSectionConnect, kKeyIpAddr, ip);
    return written;
}

}  // namespace orvane::connection
