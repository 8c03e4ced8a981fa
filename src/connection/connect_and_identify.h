#pragma once
// The one way every connection is made: open the channel, wake the instrument,
// ask who it is, recognise the model, and read its calibration and versions.

#include <string>

#include "transport/connection_record.h"

namespace orvane::ui {
class MessageBoxes;
class WaitCursor;
}  // namespace orvane::ui

namespace orvane::connection {

inline constexpr int kIdentifyAttempts = 5;
inline constexpr uint32_t kProbeTimeoutMs = 500;
inline constexpr std::size_t kReplyBufferSize = 256;

// True when the channel opened and the instrument gave a non-empty answer to the
// identification query. The channel is left open whenever the open succeeded.
// Message boxes go to owner; the wait cursor shows while the instrument is asked.
bool ConnectAndIdentify(ui::MessageBoxes& owner, ui::WaitCursor& cursor,
                        transport::ConnectionRecord& record, bool showResult);

// "Unable to open port %s" / "Failed to connect to IP address %s", and on the
// next line why, from record.openError, and what to do about it.
std::string OpenFailureMessage(const transport::ConnectionRecord& record);

// Why a connection whose channel opened failed: no instrument answered on the
// record's port at its rate (or at its address), and what to check.
std::string NoAnswerReason(const transport::ConnectionRecord& record);

// The reason for a port refused for lack of permission, from the device's
// owner, group and mode: a group to join only when it may read and write the
// device and is not root's (joining that opens far more than a port);
// otherwise who owns it and that a udev rule is the way.
std::string PermissionDeniedReason(const std::string& owner, const std::string& group, unsigned gid,
                                   unsigned mode);

// The rates a port can run at, for a message: "300, 600, ... or 2000000 baud".
std::string SupportedBaudRatesText();

}  // namespace orvane::connection
