#include "script/script_runner.h"

#include "platform/clock.h"
#include "script/script_file.h"
#include "script/script_interpreter.h"
#include "script/script_texts.h"
#include "ui/app_strings.h"
#include "ui/command_ids.h"

namespace orvane::script {

bool ScriptRunner::HandleCommand(int id, intptr_t param) {
    switch (id) {
        case ui::kCmdScript:
            ScriptCommand();
            return true;
        case ui::kCmdScriptRunStop:
            RunStopCommand(param);
            return true;
        case ui::kCmdScriptStep:
            StepCommand();
            return true;
        case ui::kCmdScriptClose:
            CloseCommand();
            return true;
        default:
            return false;
    }
}

void ScriptRunner::ScriptCommand() {
    if (mode_ == ScriptMode::Running || mode_ == ScriptMode::StepPending) return;
    if (!host_.record.instrumentReady) return;
    std::optional<std::string> chosen = ChooseScriptFile(host_.fileDialogs, host_.messageBoxes);
    if (chosen) mode_ = ScriptMode::Stopped;
    ShowScriptPanel();
    // A refused file has been reported once; the script already loaded, if any,
    // stays as it was rather than being replaced by the refused file's lines.
    if (mode_ == ScriptMode::None || !chosen) {
        host_.mainWindow.PostCommand(ui::kCmdFocusCommandLine);
        return;
    }
    scriptPath_ = *chosen;
    LoadScriptFile(host_.messageBoxes, host_.scriptList, scriptPath_, true);
    UpdateRunButtons();
}

void ScriptRunner::RunStopCommand(intptr_t param) {
    engine_.stopRequestPending = false;
    if (mode_ == ScriptMode::Running) {
        mode_ = ScriptMode::Stopped;
    } else if (param != kStopRequest && mode_ != ScriptMode::None) {
        mode_ = ScriptMode::Running;
        engine_.lastStopReason = StopReason::None;
    }
    UpdateRunButtons();
}

void ScriptRunner::Stop() {
    if (mode_ != ScriptMode::Running && mode_ != ScriptMode::StepPending) return;
    mode_ = ScriptMode::Stopped;
    engine_.stopRequestPending = false;
    UpdateRunButtons();
}

void ScriptRunner::StepCommand() {
    if (mode_ == ScriptMode::Stopped) mode_ = ScriptMode::StepPending;
}

void ScriptRunner::CloseCommand() {
    mode_ = ScriptMode::None;
    engine_.stopRequestPending = false;
    ShowScriptPanel();
    host_.mainWindow.PostCommand(ui::kCmdFocusCommandLine);
}

void ScriptRunner::ScriptTick() {
    if (mode_ != ScriptMode::Running && mode_ != ScriptMode::StepPending) return;
    // A stop asked for by the last line is on its way; however the front end
    // orders its queue and its timer, no further line runs before it lands.
    if (mode_ == ScriptMode::Running && engine_.stopRequestPending) return;

    uint32_t now = platform::ClockOrSystem(host_.record.linkOptions.clock)->TickCount();
    int index = host_.scriptList.CurrentIndex();
    if (index < 0) {
        // A run from the top is due at once, whatever the tick count.
        engine_.nextStepTime = now;
        index = 0;
        engine_.calculator.ResetCalculator();
    }
    int lineCount = host_.scriptList.Count();

    if (mode_ != ScriptMode::StepPending && TickBefore(now, engine_.nextStepTime)) {
        if (engine_.awaitingReply && engine_.replyCharacterCount >= 1) {
            engine_.nextStepTime = now + kReplySettleMs;
            engine_.replyCharacterCount = -1;
            engine_.replySeen = true;
        }
        return;
    }

    if (engine_.awaitingReply && engine_.replyCharacterCount == 0 && !engine_.replySeen) {
        host_.resultsPane.AppendText(kTimeout);
    }
    engine_.awaitingReply = false;

    // A valid script may still leave the list empty (all its lines too long);
    // the interpreter does nothing past the end and the run simply ends.
    bool failed = ExecuteScriptLine(host_, engine_, mode_, index, lineCount);
    EndOfLine(index + 1, lineCount, failed);
}

void ScriptRunner::EndOfLine(int following, int lineCount, bool sendFailed) {
    host_.scriptList.SetCurrentIndex(following < lineCount ? following : -1);
    if (mode_ == ScriptMode::Running) {
        if (sendFailed) {
            RequestStop(host_, engine_, StopReason::SendFailed);
        } else if (following >= lineCount) {
            RequestStop(host_, engine_, StopReason::EndOfScript);
        }
    } else {
        mode_ = ScriptMode::Stopped;
    }
}

void ScriptRunner::UpdateRunButtons() {
    bool running = mode_ == ScriptMode::Running;
    host_.stepButton.SetEnabled(!running);
    host_.closeButton.SetEnabled(!running);
    host_.runButton.SetCaption(running ? ui::kCaptionStop : ui::kCaptionRun);
}

void ScriptRunner::ShowScriptPanel() {
    bool script = mode_ != ScriptMode::None;
    host_.commandLine.SetVisible(!script);
    host_.sendButton.SetVisible(!script);
    host_.scriptList.SetVisible(script);
    host_.runButton.SetVisible(script);
    host_.stepButton.SetVisible(script);
    host_.closeButton.SetVisible(script);
    host_.layout.SetScriptPanelShown(script);
}

}  // namespace orvane::script
