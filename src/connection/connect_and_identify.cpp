#include "connection/connect_and_identify.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "connection/connection_texts.h"
#include "connection/model_table.h"
#include "platform/diagnostics.h"
#include "platform/text_format.h"
#include "transport/channel.h"
#include "transport/discovery_targets.h"
#include "transport/serial_link.h"
#include "ui/message_box.h"
#include "ui/wait_cursor.h"

namespace orvane::connection {

using platform::Format;
using transport::ConnectionRecord;
using transport::InterfaceKind;

namespace {

constexpr char kBootcodeMark[] = ":    32 32 32 32";
constexpr std::size_t kBootcodeMarkOffset = 7;  // from the eighth character on
// A trace line carries at most 255 characters.
constexpr std::size_t kTraceMaxLength = 255;

void Trace(const ConnectionRecord& r, const std::string& line) {
    platform::TraceLine(r.linkOptions.diagnostics,
                        std::string_view(line).substr(0, kTraceMaxLength));
}

// Without the device's facts there is nothing better to say than the system's word.
std::string PermissionReasonOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return Format(kReasonOther, std::strerror(EACCES));
    const passwd* p = ::getpwuid(st.st_uid);
    const group* g = ::getgrgid(st.st_gid);
    const std::string owner = p ? p->pw_name : std::to_string(st.st_uid);
    const std::string groupName = g ? g->gr_name : std::to_string(st.st_gid);
    return PermissionDeniedReason(owner, groupName, st.st_gid, st.st_mode & 07777);
}

bool IsBroadcastAddress(const std::string& ip) {
    std::vector<uint32_t> parsed = transport::ParseDiscoveryAddresses(ip);
    std::vector<uint32_t> broadcasts = transport::BroadcastTargets();
    return parsed.size() == 1 &&
           std::find(broadcasts.begin(), broadcasts.end(), parsed[0]) != broadcasts.end();
}

std::string InvalidSettingReason(const ConnectionRecord& r) {
    if (r.interfaceKind == InterfaceKind::Lan) return kReasonBadAddress;
    if (r.interfaceKind != InterfaceKind::Usb && r.interfaceKind != InterfaceKind::Serial) {
        return Format(kReasonBadInterface, static_cast<unsigned>(r.interfaceKind));
    }
    if (!transport::IsSerialBaudRate(r.baudRate)) {
        const std::string allowed = SupportedBaudRatesText();
        return r.baudRate == 0
                   ? Format(kReasonNoBaudRate, allowed.c_str())
                   : Format(kReasonBadBaudRate, static_cast<unsigned>(r.baudRate), allowed.c_str());
    }
    return Format(kReasonOther, std::strerror(EINVAL));
}

std::string Reason(const ConnectionRecord& r) {
    if (r.interfaceKind == InterfaceKind::Lan && r.openError != 0 &&
        IsBroadcastAddress(r.ipAddress.str()))
        return Format(kReasonBroadcast, r.ipAddress.c_str(), std::strerror(r.openError));
    switch (r.openError) {
        case EACCES:
        case EPERM:
            return PermissionReasonOf(transport::SerialDevicePath(r.comPort));
        case EBUSY:
            return kReasonBusy;
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return kReasonNoDevice;
        case ECONNREFUSED:
            return Format(kReasonRefused, static_cast<unsigned>(r.linkOptions.tcpPort));
        case ETIMEDOUT:
            return kReasonNoAnswer;
        case EINVAL:
            return InvalidSettingReason(r);
        case ENAMETOOLONG:
            return Format(kReasonPortPathTooLong, r.comPort.size(), transport::kComPortMaxLength);
        case 0:
            return {};
        default:
            return Format(kReasonOther, std::strerror(r.openError));
    }
}

bool IsBootcodeAnswer(std::string_view text) {
    return text.size() >= kBootcodeMarkOffset &&
           text.substr(kBootcodeMarkOffset).substr(0, sizeof kBootcodeMark - 1) == kBootcodeMark;
}

// Sends a query and keeps its reply in field only when one came.
template <typename Field>
void FetchText(std::string_view query, Field& field, ConnectionRecord& r) {
    std::string reply;
    field.Clear();
    transport::ChannelSend(query, r);
    if (transport::ChannelReceiveLine(reply, kReplyBufferSize, r) > 0) field = reply;
}

}  // namespace

std::string PermissionDeniedReason(const std::string& owner, const std::string& group, unsigned gid,
                                   unsigned mode) {
    const bool groupMayUse = (mode & 060) == 060;
    if (groupMayUse && gid != 0) return Format(kReasonPermission, group.c_str(), group.c_str());
    return Format(kReasonPermissionOwner, owner.c_str(), group.c_str(), mode);
}

std::string SupportedBaudRatesText() {
    const auto rates = transport::SerialBaudRates();
    std::string list;
    for (std::size_t i = 0; i < rates.size(); ++i) {
        if (i > 0) list += i + 1 == rates.size() ? " or " : ", ";
        list += std::to_string(rates[i]);
    }
    return list + " baud";
}

std::string OpenFailureMessage(const ConnectionRecord& r) {
    std::string text = r.interfaceKind == InterfaceKind::Lan
                           ? Format(kFailedToConnectToIp, r.ipAddress.c_str())
                           : Format(kUnableToOpenPort, r.comPort.c_str());
    std::string why = Reason(r);
    if (!why.empty()) text += "\n" + why;
    return text;
}

std::string NoAnswerReason(const ConnectionRecord& r) {
    if (r.interfaceKind == InterfaceKind::Lan)
        return Format(kReasonSilentAddress, r.ipAddress.c_str(), kIdentifyAttempts);
    return Format(kReasonSilentPort, r.comPort.c_str(), r.baudRate, kIdentifyAttempts);
}

bool ConnectAndIdentify(ui::MessageBoxes& owner, ui::WaitCursor& cursor, ConnectionRecord& r,
                        bool showResult) {
    if (r.interfaceKind == InterfaceKind::None) return false;
    Trace(r, kTraceConnecting);
    if (transport::OpenChannel(r) != 0) {
        owner.Inform(OpenFailureMessage(r), kTestConnectionCaption);
        return false;
    }
    Trace(r, kTraceConnected);

    transport::ChannelSend(transport::kWake, r);
    transport::ChannelSend("^[", r);
    transport::ChannelSetTimeout(kProbeTimeoutMs, r);

    ui::WaitCursorGuard hourglass(cursor);
    std::string reply;
    for (int attempt = 0; attempt < kIdentifyAttempts; ++attempt) {
        transport::ChannelSend("*IDN?\n", r);
        if (transport::ChannelReceiveLine(reply, kReplyBufferSize, r) > 0 && !reply.empty()) break;
    }
    transport::ChannelSetTimeout(transport::kDefaultReplyTimeoutMs, r);

    std::string_view answer(reply);
    bool result = !answer.empty();
    if (result) {
        r.modelCode = kModelUnknown;
        std::size_t comma = answer.find(',');
        if (comma == std::string_view::npos) {
            if (IsBootcodeAnswer(answer)) {
                r.modelCode = kModelBootcode;
                Trace(r, Format(kTraceIdentifiedBootcode, reply.c_str()));
                r.identity = answer;
            }
        } else {
            r.modelCode = ModelFromIdentity(answer.substr(comma + 1));
            if (r.modelCode == kModelUnknown) {
                Trace(r, kTraceUnidentified);
                r.identity.Clear();
            } else {
                Trace(r, Format(kTraceIdentified, reply.c_str(), static_cast<int>(r.modelCode)));
                r.identity = answer;
                FetchText("calstr?\n", r.calibration, r);
                FetchText("calver?\n", r.calverReply, r);
                FetchText("version?\n", r.versionReply, r);
            }
        }
    }

    if (showResult) {
        std::string message;
        if (result) {
            message = kConnectionSuccessful;
            if (r.modelCode == kModelBootcode) {
                message += kBootcodeInstrument;
            } else if (!r.identity.empty()) {
                message += r.identity.str();
            } else {
                message += kUnknownInstrument;
            }
        } else {
            message = r.modelCode != kModelUnknown
                          ? kIncompatibleInstrument
                          : std::string(kConnectionFailed) + "\n" + NoAnswerReason(r);
        }
        owner.Inform(message, kTestConnectionCaption);
    }
    return result;
}

}  // namespace orvane::connection
