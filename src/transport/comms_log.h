#pragma once
// The comms log's lines for every command sent and every reply received, kept
// by the diagnostics the connection's options name.

#include <string_view>

namespace orvane::platform {
class Diagnostics;
}

namespace orvane::ui {
class MessageBoxes;
}

namespace orvane::transport {

struct ConnectionRecord;

inline constexpr const char kCommsLogOpenErrorText[] =
    "Error opening comms log for writing\nComms Logging disabled";
inline constexpr const char kCommsLogOpenErrorCaption[] = "Error";

// Where "Error opening comms log for writing" is shown when a line cannot be
// written; none drops it. Shown with no lock held, so the box may call back.
void SetCommsLogMessageBoxes(platform::Diagnostics& diagnostics, ui::MessageBoxes* boxes);

// Hooks for every command sent and every reply line received: each counts one
// transaction, and writes its line while the comms log file is on. A received
// line is given as read, before any binary value in it is turned into text.
void CommsLogSend(std::string_view text, const ConnectionRecord& record);
void CommsLogReceive(std::string_view text, const ConnectionRecord& record);

}  // namespace orvane::transport
