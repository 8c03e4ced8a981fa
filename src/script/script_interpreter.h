#pragma once
// The script language: one line per call, on behalf of the runner.

#include <cstdint>
#include <string_view>

#include "script/script_engine_state.h"
#include "script/script_host.h"

namespace orvane::script {

// Lines this long or longer never reach the list.
inline constexpr std::size_t kMaxScriptLineLength = 2047;
// The text of "wait" and "echo" is cut to this.
inline constexpr std::size_t kMaxEchoLength = 2046;

// The wait a line asks for, from the whole seconds after its first comma: 1000 ms
// without a comma or for a number below 1, at most 500 s.
uint32_t ReplyTimeout(std::string_view line);

// Executes the script list's line at `index` of `lineCount`. A query consumes a
// "#reply" line that follows it by advancing `index` past it. In running mode the
// next-step time is set. True when the line was an instrument command whose
// sending failed.
bool ExecuteScriptLine(ScriptHost& host, ScriptEngineState& engine, ScriptMode mode, int& index,
                       int lineCount);

// Posts a Run/Stop command that only stops (kStopRequest) and notes it as pending.
void RequestStop(ScriptHost& host, ScriptEngineState& engine, StopReason reason);

}  // namespace orvane::script
