#pragma once
// The transport's diagnostic trace: time-stamped lines on the debug output, or,
// while a comms log file is set, in that file together with one line for every
// command sent and every reply received.

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::ui {
class MessageBoxes;
}

namespace orvane::transport {

struct ConnectionRecord;

inline constexpr const char kCommsLogOpenErrorText[] =
    "Error opening comms log for writing\nComms Logging disabled";
inline constexpr const char kCommsLogOpenErrorCaption[] = "Error";
// Why SetCommsLogFile refused a path.
inline constexpr const char kCommsLogNoFolder[] = "the folder %s for the comms log does not exist";
inline constexpr const char kCommsLogPathTooLong[] = "the path of the comms log is longer than 259 characters";
inline constexpr const char kCommsLogIsFolder[] = "the comms log %s is a folder";
inline constexpr const char kCommsLogNotAFile[] = "the comms log %s is not a regular file";
inline constexpr const char kCommsLogCannotWrite[] = "the comms log %s cannot be written: %s";

// Writes "[hh:mm:ss.mmm] " and the text (which carries its own line end).
// Safe from any thread.
void TraceLine(std::string_view text);

// Switches the comms log file on (a non-empty path) or off (empty); the file is
// created with its header at the first line. A path over 259 characters, one
// whose folder does not exist, and one that names something other than a
// regular file or that cannot be written are refused with the message saying
// so and the log left off: a mistyped folder is reported, not made. Empty when done.
std::string SetCommsLogFile(const std::string& path);
bool CommsLogEnabled();
std::string CommsLogPath();
// Where "Error opening comms log for writing" is shown when a line cannot be
// written (the log is then off, so CommsLogEnabled tells that it was lost);
// none drops it. Shown with no lock held, so the box may call back.
void SetCommsLogMessageBoxes(ui::MessageBoxes* boxes);

// Hooks for every command sent and every reply line received: each counts one
// transaction, and writes its line while the comms log file is on. A received
// line is given as read, before any binary value in it is turned into text.
void CommsLogSend(std::string_view text, const ConnectionRecord& record);
void CommsLogReceive(std::string_view text, const ConnectionRecord& record);
uint64_t CommsLogTransactions();

}  // namespace orvane::transport
