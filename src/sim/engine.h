#pragma once
// The simulated instrument without any transport: bytes in, bytes out, with the
// time passed in by the caller, so one engine serves a pseudo-terminal, a TCP
// socket or a unit test in virtual time alike. Single-threaded; the endpoints
// lock around it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "sim/instrument_config.h"
#include "sim/interpreter.h"

namespace orvane::sim {

struct BootloaderMemory;

struct EngineCounters {
    uint64_t bytesReceived = 0;
    uint64_t bytesSent = 0;  // handed out by TakeOutput
    uint32_t dc4Bytes = 0;
    uint32_t zeroBytes = 0;
    uint32_t escBytes = 0;
    uint32_t commands = 0;         // complete command lines, known or not
    uint32_t unknownCommands = 0;  // of those, the ones ignored
    uint32_t identificationQueries = 0;
    uint32_t connections = 0;  // Reconnect calls
};

// Line number n of the flood fault, with its line end unless withoutLineEnd:
// numbered so that a reader can tell lost or reordered lines.
std::string FloodLine(uint64_t n, bool withoutLineEnd = false);

class Engine {
  public:
    // The copy of received bytes keeps at least this many of the latest.
    static constexpr std::size_t kReceivedKept = 64 * 1024;
    // The flood fault adds at most this much output per millisecond.
    static constexpr std::size_t kFloodBurst = 4096;
    // The counted flood queues this much at a time: large enough that the link,
    // not the engine, sets the pace, small enough to leave room for input.
    static constexpr std::size_t kCountedFloodChunk = 32 * 1024;

    explicit Engine(InstrumentConfig config = {});
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    void Feed(const void* data, std::size_t n, uint32_t nowMs);
    // The output due by nowMs. Stops short at the hang-up limit.
    std::string TakeOutput(uint32_t nowMs);
    // When more output will be due without further input; nothing when none will.
    // A time at or before the last one passed in means "now".
    std::optional<uint32_t> NextDue() const;
    // The hang-up fault has been reached: the endpoint should drop the connection.
    bool HangUp() const { return hungUp_; }
    // Bytes queued but not yet taken.
    std::size_t PendingOutput() const { return pending_.size(); }
    // Bytes taken since the connection began (what the hang-up fault counts).
    uint64_t SentThisConnection() const { return sentThisConnection_; }

    // A new connection to the same instrument: fresh parse state, no queued output,
    // hang-up and flood start over. Counters and the received copy are kept.
    void Reconnect(uint32_t nowMs);

    const InstrumentConfig& config() const { return config_; }
    InstrumentConfig& config() { return config_; }

    // Values set with "config,NNN,VALUE" (the clock lives at 240..245); empty
    // when never set. They survive reconnects, as the instrument's memory does.
    void SetSetting(int number, std::string value);
    std::string Setting(int number) const;
    const EngineCounters& counters() const { return counters_; }
    // The latest received bytes, at most kReceivedKept of them.
    std::string_view received() const;
    void ClearCounters();

    // For interpreters. Nothing is queued while the instrument is silent.
    void Send(std::string_view bytes);
    void SendLine(std::string_view text);
    // Counts one more identification query; the count including this one.
    uint32_t NoteIdentificationQuery() { return ++counters_.identificationQueries; }
    void NoteCommand(bool known);
    // From inside an interpreter's Receive this takes effect after the current byte,
    // so an interpreter may hand over to another without destroying itself mid-call.
    void SwitchInterpreter(std::unique_ptr<Interpreter> next);

    // The instrument restarts into its bootloader (a fresh one when it runs
    // it already), and back into its application, which is kept meanwhile.
    void EnterBootloader();
    void LeaveBootloader();
    bool InBootloader() const { return application_ != nullptr; }
    // The flash and the bootloader's log; they outlive every restart.
    BootloaderMemory& boot() { return *boot_; }
    // Queues bytes that fall due delayMs from now; later output waits behind them.
    void SendAfter(std::string_view bytes, uint32_t delayMs);
    // The instrument closes its end once its output is out: a TCP endpoint drops
    // the client, a serial line stays as it is. Taken by the endpoint.
    void RequestDrop() { dropRequested_ = true; }
    bool TakeDropRequest();
    // The hang-up fault, at once.
    void HangUpNow();

  private:
    void Queue(std::string_view bytes);
    // The counted flood's next lines, up to kCountedFloodChunk queued.
    void QueueCountedFlood();
    bool CountedFloodLeft() const {
        return floodStarted_ && config_.floodCount > 0 && floodLine_ < config_.floodCount;
    }

    InstrumentConfig config_;
    std::unique_ptr<Interpreter> interpreter_;
    std::unique_ptr<Interpreter> next_;
    std::unique_ptr<Interpreter> application_;  // set while the bootloader runs
    std::unique_ptr<BootloaderMemory> boot_;
    std::deque<std::pair<uint32_t, std::string>> delayed_;
    bool dropRequested_ = false;
    bool interpreting_ = false;
    EngineCounters counters_;
    std::string received_;
    std::map<int, std::string> settings_;

    std::string pending_;
    uint32_t lastNow_ = 0;
    uint32_t nextRelease_ = 0;  // trickle: when the next byte may go
    uint64_t sentThisConnection_ = 0;
    bool hungUp_ = false;

    bool floodStarted_ = false;
    uint32_t floodLastMs_ = 0;
    uint64_t floodLine_ = 0;
};

}  // namespace orvane::sim
