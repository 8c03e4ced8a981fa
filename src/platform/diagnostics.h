#pragma once
// What a program tells about its own working, one object made by each main and
// handed to the parts that trace: the trace (lines on stderr when tracing was
// asked for with --trace or ORVANE2_TRACE=1, dropped otherwise) and the comms
// log file, which while it is on takes the time-stamped lines instead, and the
// count of commands sent and replies received. Thread-safe: the firmware worker
// sends while the main thread traces.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace orvane::platform {

// Why SetCommsLogFile refused a path.
inline constexpr const char kCommsLogNoFolder[] = "the folder %s for the comms log does not exist";
inline constexpr const char kCommsLogPathTooLong[] =
    "the path of the comms log is longer than 259 characters";
inline constexpr const char kCommsLogIsFolder[] = "the comms log %s is a folder";
inline constexpr const char kCommsLogNotAFile[] = "the comms log %s is not a regular file";
inline constexpr const char kCommsLogCannotWrite[] = "the comms log %s cannot be written: %s";

class Diagnostics {
  public:
    using Sink = std::function<void(std::string_view)>;

    // The clock stamps the lines.
    explicit Diagnostics(Clock& clock) : clock_(clock) {}
    Diagnostics(const Diagnostics&) = delete;
    Diagnostics& operator=(const Diagnostics&) = delete;

    // Set once at start-up, before any thread starts.
    void SetTraceEnabled(bool enabled) { traceEnabled_ = enabled; }
    bool TraceEnabled() const { return traceEnabled_; }
    // Turns tracing on when ORVANE2_TRACE is set to a value other than "0" or empty.
    void EnableTraceFromEnvironment();
    // Replaces stderr as the destination; the sink sees every line whether or
    // not tracing is enabled.
    void SetSink(Sink sink);

    // Writes text as it is (no line end is added).
    void Write(std::string_view text);
    // Writes "[hh:mm:ss.mmm] " and the text (which carries its own line end).
    void TraceLine(std::string_view text);

    // Switches the comms log file on (a non-empty path) or off (empty); the file
    // is created with its header at the first line. A path over 259 characters,
    // one whose folder does not exist, and one that names something other than a
    // regular file or that cannot be written are refused with the message saying
    // so and the log left off: a mistyped folder is reported, not made. Empty when done.
    std::string SetCommsLogFile(const std::string& path);
    bool CommsLogEnabled() const { return logOn_; }
    std::string CommsLogPath() const;
    // Called when a line cannot be written to the comms log (which is then off,
    // so CommsLogEnabled tells that it was lost), with no lock held, so that it
    // may trace or send meanwhile.
    void SetLogFailureHandler(std::function<void()> handler);

    // Counts one command sent or reply received: its number.
    uint64_t CountTransaction() { return ++transactions_; }
    uint64_t Transactions() const { return transactions_; }

  private:
    Clock& clock_;
    bool traceEnabled_ = false;

    std::mutex writeMutex_;
    Sink sink_;  // guarded by writeMutex_

    mutable std::mutex logMutex_;
    // Changed under logMutex_; read without it for every line received.
    std::atomic<bool> logOn_{false};
    std::string logPath_;
    std::function<void()> onLogFailure_;
    std::atomic<uint64_t> transactions_{0};
};

// The system's debug output for a trace text, and stderr when toStandardError.
void WriteDebugOutput(std::string_view text, bool toStandardError);

// For parts that may be handed no diagnostics: then nothing is written.
inline void Trace(Diagnostics* diagnostics, std::string_view text) {
    if (diagnostics) diagnostics->Write(text);
}
inline void TraceLine(Diagnostics* diagnostics, std::string_view text) {
    if (diagnostics) diagnostics->TraceLine(text);
}

}  // namespace orvane::platform
