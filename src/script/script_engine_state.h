#pragma once
// What the interpreter and the runner share: the step timing, the reply wait and
// the calculator, plus the script mode. One instance of each lives in the
// ScriptRunner for the whole run of the program.

#include <cstdint>

#include "script/calculator.h"

namespace orvane::script {

enum class ScriptMode : int {
    None = 0,         // no script: the console shows its command line
    Stopped = 1,      // a script is loaded and shown; nothing runs
    Running = 2,      // lines run whenever they are due
    StepPending = 3,  // the next tick runs one line, then the mode is stopped again
};

inline constexpr int32_t kFastStepMs = 50;
inline constexpr int32_t kNormalStepMs = 250;
inline constexpr int32_t kSlowStepMs = 500;
inline constexpr uint32_t kQueryReplyTimeoutMs = 5000;  // a query without a "#reply" line
inline constexpr uint32_t kReplySettleMs = 250;         // after reply text was noticed
inline constexpr uint32_t kDefaultWaitMs = 1000;        // "pause" or "reply" without seconds
inline constexpr int32_t kMaxWaitSeconds = 500;
// No line ever makes the runner wait longer than this; a next-step time further
// ahead than that is one that lies in the past across the tick count's wrap.
inline constexpr uint32_t kLongestStepWaitMs = static_cast<uint32_t>(kSlowStepMs) +
                                               static_cast<uint32_t>(kMaxWaitSeconds) * 1000u +
                                               kReplySettleMs;

// True while `due` is still ahead of `now` on the wrapping millisecond tick count.
inline bool TickBefore(uint32_t now, uint32_t due) {
    uint32_t left = due - now;
    return left != 0 && left <= kLongestStepWaitMs;
}

// Why the script itself last asked to stop; a command-line run decides its exit
// status and whether to go on from it.
enum class StopReason { None, EndOfScript, Wait, SendFailed, TestFailed };

struct ScriptEngineState {
    int32_t stepInterval = kNormalStepMs;  // kept across runs and scripts
    uint32_t nextStepTime = 0;  // tick count at which a running script's next line is due
    bool awaitingReply = false;
    // Reply text counted since the wait started; -1 once the runner has noticed
    // some and nothing has come since.
    int32_t replyCharacterCount = 0;
    // The runner noticed reply text during this wait. The count alone cannot
    // tell: -1 plus a one-character line is 0 again, which would read as "no
    // reply at all" and report a time-out for a query that was answered.
    bool replySeen = false;
    // A stop request has been posted to the main window and not yet handled.
    bool stopRequestPending = false;
    StopReason lastStopReason = StopReason::None;
    Calculator calculator;

    void StartReplyWait() {
        awaitingReply = true;
        replyCharacterCount = 0;
        replySeen = false;
    }

    // Called by the shell's receive step with the raw length of every reply line
    // it puts into the results pane. Saturates: an instrument that streams for
    // days must not overflow the count.
    void AddReplyCharacters(int64_t n) {
        int64_t sum = int64_t{replyCharacterCount} + n;
        if (sum > INT32_MAX) sum = INT32_MAX;
        if (sum < INT32_MIN) sum = INT32_MIN;
        replyCharacterCount = static_cast<int32_t>(sum);
    }
};

}  // namespace orvane::script
