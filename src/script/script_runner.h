#pragma once
// The script runner: the "&Script" menu command, the Run/Stop, Step and Close
// buttons, and the tick that runs the loaded script line by line. It owns the
// program's one engine state (with the calculator) and script mode.
//
// The shell, on every tick of its 1 ms timer, first moves received reply lines
// into the results pane (adding each raw line's length with AddReplyCharacters)
// and then calls ScriptTick. It hands commands 32777, 18006, 18007 and 18008 to
// HandleCommand, with the parameter they were posted with.

#include <cstdint>
#include <string>

#include "script/script_engine_state.h"
#include "script/script_host.h"

namespace orvane::script {

class ScriptRunner {
  public:
    explicit ScriptRunner(const ScriptHost& host) : host_(host) {}
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    // True when id was one of the runner's commands.
    bool HandleCommand(int id, intptr_t param);

    void ScriptCommand();                 // "&Script" (32777)
    void RunStopCommand(intptr_t param);  // Run/Stop (18006); kStopRequest only stops
    void StepCommand();                   // Step (18007)
    void CloseCommand();                  // Close (18008)
    void ScriptTick();
    // Ends a run or a pending step, as Stop would; the script stays loaded.
    void Stop();

    void UpdateRunButtons();
    void ShowScriptPanel();

    void AddReplyCharacters(int64_t n) { engine_.AddReplyCharacters(n); }

    ScriptMode mode() const { return mode_; }
    const std::string& scriptPath() const { return scriptPath_; }
    ScriptEngineState& engine() { return engine_; }
    const ScriptEngineState& engine() const { return engine_; }

  private:
    void EndOfLine(int following, int lineCount, bool sendFailed);

    ScriptHost host_;
    ScriptEngineState engine_;
    ScriptMode mode_ = ScriptMode::None;
    std::string scriptPath_;  // the whole path, however long the system allows
};

}  // namespace orvane::script
