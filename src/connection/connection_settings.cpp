#include "connection/connection_settings.h"

#include "platform/ini_file.h"

namespace orvane::connection {

using transport::InterfaceKind;

void LoadConnectionSettings(const platform::IniFile* settings, transport::ConnectionRecord& r) {
    if (!settings) {
        r.interfaceKind = InterfaceKind::None;
        r.comPort.Clear();
        r.baudRate = 0;
        r.ipAddress.Clear();
        return;
    }
    r.interfaceKind = static_cast<InterfaceKind>(settings->ReadInt(kSectionConnect, kKeyInterface, 0));
    r.comPort = settings->ReadString(kSectionConnect, kKeyComPort, "");
    r.baudRate = static_cast<uint32_t>(settings->ReadInt(kSectionConnect, kKeyBaudRate, 0));
    r.ipAddress = settings->ReadString(kSectionConnect, kKeyIpAddr, "");
}

bool SaveConnectionSettings(platform::IniFile* settings, const transport::ConnectionRecord& r) {
    if (!settings) return false;
    bool ok = settings->WriteInt(kSectionConnect, kKeyInterface, static_cast<int>(r.interfaceKind));
    ok = settings->WriteString(kSectionConnect, kKeyComPort, r.comPort.view()) && ok;
    ok = settings->WriteInt(kSectionConnect, kKeyBaudRate, static_cast<int>(r.baudRate)) && ok;
    ok = settings->WriteString(kSectionConnect, kKeyIpAddr, r.ipAddress.view()) && ok;
    return ok;
}

}  // namespace orvane::connection
