#include "script/script_interpreter.h"

#include <cstdio>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/regular_file.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "script/number_text.h"
#include "script/script_texts.h"
#include "transport/send_command_line.h"
#include "ui/command_ids.h"

namespace orvane::script {

namespace {

// The text after the first comma; nothing when there is no comma.
std::optional<std::string_view> Argument(std::string_view line) {
    std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    return line.substr(comma + 1);
}

void Append(ScriptHost& host, std::string_view text) {
    host.resultsPane.AppendText(text);
}

bool SendCommand(ScriptHost& host, ScriptEngineState& engine, std::string_view line, int& index,
                 int lineCount, uint32_t& delay) {
    std::string_view command = line.substr(1);
    if (line.back() == '?') {
        delay = kQueryReplyTimeoutMs;
        if (index + 1 < lineCount) {
            std::string next = host.scriptList.ItemText(index + 1);
            if (platform::StartsWithNoCase(next, kReplyLinePrefix)) {
                delay = ReplyTimeout(next);
                ++index;
            }
        }
        engine.StartReplyWait();
    }
    // With the channel closed nothing can go out; a serial write would not say
    // so, and the script would carry on as if the instrument had the command.
    bool failed = !host.record.channelOpen ||
                  transport::SendCommandLine(command, host.record) == transport::SendResult::Failed;
    std::string echo = platform::Format(kEchoFormat, std::string(command).c_str());
    echo += failed ? kSendFailed : kLineEnd;
    Append(host, echo);
    return failed;
}

void Bincon(ScriptHost& host, std::string_view line) {
    std::optional<std::string_view> argument = Argument(line);
    if (argument) {
        if (argument->empty()) return;
        // The posted command flips the setting, so preset it to the opposite of the wish.
        host.convertBinary = !platform::StartsWithNoCase(*argument, kBinconOn);
    }
    host.mainWindow.PostCommand(ui::kCmdConvertBinary);
}

void Print(ScriptHost& host, std::string_view line) {
    std::string path(Argument(line).value_or(std::string_view()));
    platform::RegularFile file = platform::OpenRegularFile(path, platform::FileAccess::Replace);
    if (!file.ok()) {
        Append(host, kInvalidFileLocation);
        return;
    }
    // The pane's CR LF becomes the LF that this platform's text files end their lines with.
    std::string text = host.resultsPane.Text();
    std::erase(text, '\r');
    bool written = std::fwrite(text.data(), 1, text.size(), file.stream.get()) == text.size();
    if (std::fclose(file.stream.release()) != 0 || !written) Append(host, kPrintWriteFailed);
}

// Runs a directive; the delay it adds before the next line.
uint32_t RunDirective(ScriptHost& host, ScriptEngineState& engine, ScriptMode mode,
                      std::string_view line, int index, int lineCount) {
    std::string_view word = line.substr(1);
    auto is = [word](const char* keyword) { return platform::StartsWithNoCase(word, keyword); };

    if (is(kDirectiveBeep)) {
        host.beeper.Beep();
    } else if (is(kDirectivePause)) {
        return ReplyTimeout(line);
    } else if (is(kDirectiveReply)) {
        engine.StartReplyWait();
        return ReplyTimeout(line);
    } else if (is(kDirectiveClear)) {
        host.mainWindow.PostCommand(ui::kCmdClearResults);
    } else if (is(kDirectiveWait)) {
        std::string_view text = Argument(line).value_or(std::string_view());
        std::string out =
            text.empty() ? std::string(kWaitPrompt) : std::string(text.substr(0, kMaxEchoLength));
        Append(host, out + kLineEnd);
        if (mode == ScriptMode::Running && index + 1 < lineCount)
            RequestStop(host, engine, StopReason::Wait);
    } else if (is(kDirectiveEcho)) {
        std::string_view text = Argument(line).value_or(std::string_view());
        Append(host, std::string(text.substr(0, kMaxEchoLength)) + kLineEnd);
    } else if (is(kDirectiveTime)) {
        platform::LocalTime t = platform::ClockOrSystem(host.record.linkOptions.clock)->Now();
        Append(host, platform::Format(kTimeFormat, t.hour, t.minute, t.second, t.millisecond));
    } else if (is(kDirectiveBincon)) {
        Bincon(host, line);
    } else if (is(kDirectivePrint)) {
        Print(host, line);
    } else if (is(kDirectiveFast)) {
        engine.stepInterval = kFastStepMs;
    } else if (is(kDirectiveNormal)) {
        engine.stepInterval = kNormalStepMs;
    } else if (is(kDirectiveSlow)) {
        engine.stepInterval = kSlowStepMs;
    }
    return 0;
}

}  // namespace

uint32_t ReplyTimeout(std::string_view line) {
    std::optional<std::string_view> argument = Argument(line);
    if (!argument) return kDefaultWaitMs;
    int32_t seconds = platform::ReadDecimal(*argument).value;
    if (seconds < 1) return kDefaultWaitMs;
    if (seconds > kMaxWaitSeconds) seconds = kMaxWaitSeconds;
    return static_cast<uint32_t>(seconds) * 1000u;
}

void RequestStop(ScriptHost& host, ScriptEngineState& engine, StopReason reason) {
    engine.stopRequestPending = true;
    engine.lastStopReason = reason;
    host.mainWindow.PostCommand(ui::kCmdScriptRunStop, kStopRequest);
}

bool ExecuteScriptLine(ScriptHost& host, ScriptEngineState& engine, ScriptMode mode, int& index,
                       int lineCount) {
    if (index < 0 || index >= lineCount) return false;
    std::string line = host.scriptList.ItemText(index);
    // A zero byte ends a line, as it did when the file was read.
    line.resize(std::char_traits<char>::length(line.c_str()));

    bool failed = false;
    uint32_t delay = 0;
    if (!line.empty()) {
        switch (line[0]) {
            case '"':
                failed = SendCommand(host, engine, line, index, lineCount, delay);
                break;
            case '#':
                delay = RunDirective(host, engine, mode, line, index, lineCount);
                break;
            case '=': {
                std::string_view text = std::string_view(line).substr(1);
                engine.calculator.ExecuteCalculatorLine(text);
                if (text != kCalcClearTest && engine.calculator.StopRequested() &&
                    mode == ScriptMode::Running)
                    RequestStop(host, engine, StopReason::TestFailed);
                break;
            }
            default:
                break;
        }
    }
    if (mode == ScriptMode::Running) {
        engine.nextStepTime = platform::ClockOrSystem(host.record.linkOptions.clock)->TickCount() +
                              static_cast<uint32_t>(engine.stepInterval) + delay;
    }
    return failed;
}

}  // namespace orvane::script
