#include "script/script_interpreter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "script/script_texts.h"
#include "script_bench.h"
#include "test_dir.h"
#include "ui/command_ids.h"

using namespace std::string_literals;
using namespace orvane;
using namespace orvane::script;
using orvane::testing::PostedCommand;
using orvane::testing::ScriptBench;

namespace {

// Runs line `index` of the bench's list in the given mode; the index afterwards.
int Exec(ScriptBench& b, ScriptMode mode, int index = 0, bool* failed = nullptr) {
    bool f = ExecuteScriptLine(b.host, b.runner.engine(), mode, index, b.list.Count());
    if (failed) *failed = f;
    return index;
}

// The results pane text one line produces, starting from an empty pane.
std::string Output(ScriptBench& b, const std::string& line, ScriptMode mode = ScriptMode::StepPending) {
    b.results.text.clear();
    b.Lines({line});
    Exec(b, mode);
    return b.results.text;
}

// The wait a running line adds beyond the step interval.
uint32_t Delay(ScriptBench& b, const std::vector<std::string>& lines) {
    b.Lines(lines);
    Exec(b, ScriptMode::Running);
    return b.runner.engine().nextStepTime - b.clock.TickCount() - static_cast<uint32_t>(b.runner.engine().stepInterval);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(ScriptInterpreter, CommandsFollowTheCaretRuleAndEchoAfterSending) {
    ScriptBench b;
    b.Lines({"\"^[", "\"^c", "\"^1", "\"^", "\"*IDN?"});
    for (int i = 0; i < 5; ++i) Exec(b, ScriptMode::Running, i);
    // Every LAN send carries the text's zero byte after it.
    EXPECT_EQ(b.Received(), "\x1B\n\0"s "\x03\n\0"s "^1\n\0"s "^\n\0"s "*IDN?\n\0"s);
    EXPECT_EQ(b.results.text, "> ^[\r\n> ^c\r\n> ^1\r\n> ^\r\n> *IDN?\r\n");
}

TEST(ScriptInterpreter, QueriesStartAReplyWaitAndConsumeAReplyLine) {
    ScriptBench b;
    ScriptEngineState& e = b.runner.engine();
    EXPECT_EQ(Delay(b, {"\"*IDN?", "#echo"}), kQueryReplyTimeoutMs);
    EXPECT_TRUE(e.awaitingReply);
    EXPECT_EQ(e.replyCharacterCount, 0);

    e.awaitingReply = false;
    EXPECT_EQ(Delay(b, {"\"say \"hi?\""}), 0u);  // a closing quote after the "?": not a query
    EXPECT_FALSE(e.awaitingReply);

    EXPECT_EQ(Delay(b, {"\"read?"}), kQueryReplyTimeoutMs);  // last line: the default wait
    EXPECT_EQ(Delay(b, {"\"read?", "#REPLY,10", "#echo"}), 10000u);
    EXPECT_EQ(Exec(b, ScriptMode::Running), 1);  // the reply line is skipped
    EXPECT_EQ(Delay(b, {"\"read?", "#Reply"}), 1000u);
    EXPECT_EQ(Exec(b, ScriptMode::Running), 1);
    EXPECT_EQ(Delay(b, {"\"read?", "#repl,9"}), kQueryReplyTimeoutMs);
    EXPECT_EQ(Exec(b, ScriptMode::Running), 0);
    EXPECT_EQ(Delay(b, {"\"*RST", "#reply,3"}), 0u);  // only a query owns the next line
    EXPECT_EQ(Exec(b, ScriptMode::Running), 0);

    // A "reply" line of its own waits too; outside a run nothing is delayed.
    e.awaitingReply = false;
    e.replyCharacterCount = 12;
    EXPECT_EQ(Delay(b, {"#reply,3"}), 3000u);
    EXPECT_TRUE(e.awaitingReply);
    EXPECT_EQ(e.replyCharacterCount, 0);
    e.nextStepTime = 77;
    b.Lines({"\"read?", "#reply,3"});
    EXPECT_EQ(Exec(b, ScriptMode::StepPending), 1);
    EXPECT_EQ(e.nextStepTime, 77u);
}

TEST(ScriptInterpreter, FailedSendIsEchoedAndReported) {
    ScriptBench b;
    b.Lines({"\"*IDN?"});
    bool failed = false;
    b.record.channelOpen = false;  // disconnected: nothing may pretend to go out
    Exec(b, ScriptMode::Running, 0, &failed);
    EXPECT_TRUE(failed);
    b.record.channelOpen = true;
    b.record.socket = transport::kInvalidHandle;  // the LAN send itself fails
    Exec(b, ScriptMode::Running, 0, &failed);
    EXPECT_TRUE(failed);
    EXPECT_EQ(b.results.text, std::string("> *IDN?") + kSendFailed + "> *IDN?" + kSendFailed);
    // The query's wait has started all the same.
    EXPECT_TRUE(b.runner.engine().awaitingReply);
    b.record.socket = b.link.ClientFd();
    EXPECT_EQ(b.Received(), "");

    Exec(b, ScriptMode::Running, 0, &failed);
    EXPECT_FALSE(failed);
}

TEST(ScriptInterpreter, ReplyTimeoutReadsWholeSecondsAfterTheFirstComma) {
    EXPECT_EQ(ReplyTimeout("#pause"), 1000u);
    EXPECT_EQ(ReplyTimeout("#pause,"), 1000u);
    EXPECT_EQ(ReplyTimeout("#pause,0"), 1000u);
    EXPECT_EQ(ReplyTimeout("#pause,-3"), 1000u);
    EXPECT_EQ(ReplyTimeout("#pause,abc"), 1000u);
    EXPECT_EQ(ReplyTimeout("#pause,3"), 3000u);
    EXPECT_EQ(ReplyTimeout("#pause, 7s"), 7000u);
    EXPECT_EQ(ReplyTimeout("#pause,2.9"), 2000u);
    EXPECT_EQ(ReplyTimeout("#pause,3,9"), 3000u);
    EXPECT_EQ(ReplyTimeout("#pause,999"), 500000u);
    EXPECT_EQ(ReplyTimeout("#pause,99999999999999999999"), 500000u);
}

TEST(ScriptInterpreter, DirectivesMatchAsCaseInsensitivePrefixes) {
    ScriptBench b;
    for (const char* line : {"#beep", "#Beep", "#beeper", "#BEEP,3", "#bee", "#b"}) Output(b, line);
    EXPECT_EQ(b.beeper.beeps, 4);

    EXPECT_EQ(Delay(b, {"#pause"}), 1000u);
    EXPECT_EQ(Delay(b, {"#PAUSE,0"}), 1000u);
    EXPECT_EQ(Delay(b, {"#pause,3"}), 3000u);
    EXPECT_EQ(Delay(b, {"#pause,999"}), 500000u);
    EXPECT_FALSE(b.runner.engine().awaitingReply);

    EXPECT_EQ(Output(b, "#echo,hello, world"), "hello, world\r\n");
    EXPECT_EQ(Output(b, "#ECHO"), "\r\n");
    EXPECT_EQ(Output(b, "#echo," + std::string(3000, 'e')), std::string(kMaxEchoLength, 'e') + "\r\n");
    EXPECT_EQ(Output(b, "#echoes,x"), "x\r\n");

    platform::LocalTime t;
    t.hour = 9;
    t.minute = 5;
    t.second = 3;
    t.millisecond = 7;
    b.clock.SetLocalTime(t);
    EXPECT_EQ(Output(b, "#time"), "time: 09:05:03:007\r\n");

    b.Lines({"#fast"});
    Exec(b, ScriptMode::Stopped);
    EXPECT_EQ(b.runner.engine().stepInterval, kFastStepMs);
    b.Lines({"#Slower"});
    Exec(b, ScriptMode::Stopped);
    EXPECT_EQ(b.runner.engine().stepInterval, kSlowStepMs);
    b.Lines({"#NORMAL"});
    Exec(b, ScriptMode::Stopped);
    EXPECT_EQ(b.runner.engine().stepInterval, kNormalStepMs);

    Output(b, "#clear");
    EXPECT_EQ(b.poster.Take(), (std::vector<PostedCommand>{{ui::kCmdClearResults, 0}}));

    // Unknown directives, a bare "#" and lines of no kind do nothing but take their step.
    for (const char* line : {"#", "#nothing,at all", "; a comment", "", "x\"*IDN?"}) {
        EXPECT_EQ(Delay(b, {line}), 0u) << line;
        EXPECT_EQ(b.results.text, "") << line;
    }
    EXPECT_TRUE(b.poster.posted.empty());
    EXPECT_EQ(b.beeper.beeps, 4);
    EXPECT_EQ(b.Received(), "");
}

TEST(ScriptInterpreter, WaitStopsARunningScriptOnlyWhenALineFollows) {
    ScriptBench b;
    b.Lines({"#wait", "#echo"});
    Exec(b, ScriptMode::Running);
    EXPECT_EQ(b.results.text, std::string(kWaitPrompt) + "\r\n");
    EXPECT_EQ(b.poster.Take(), (std::vector<PostedCommand>{{ui::kCmdScriptRunStop, kStopRequest}}));

    b.results.text.clear();
    b.Lines({"#WAIT,Fit the probe, then Run", "#echo"});
    Exec(b, ScriptMode::StepPending);
    EXPECT_EQ(b.results.text, "Fit the probe, then Run\r\n");
    EXPECT_TRUE(b.poster.posted.empty());

    EXPECT_EQ(Output(b, "#wait,", ScriptMode::Running), std::string(kWaitPrompt) + "\r\n");
    EXPECT_TRUE(b.poster.posted.empty());  // the last line: the script ends by itself
}

TEST(ScriptInterpreter, BinconLandsOnTheWantedSettingThroughTheCommand) {
    ScriptBench b;
    b.convertBinary = true;
    Output(b, "#bincon,");
    EXPECT_TRUE(b.convertBinary);
    EXPECT_TRUE(b.poster.posted.empty());

    Output(b, "#bincon");  // no comma: the command alone flips the setting
    EXPECT_TRUE(b.convertBinary);
    EXPECT_EQ(b.poster.Take(), (std::vector<PostedCommand>{{ui::kCmdConvertBinary, 0}}));

    Output(b, "#BINCON,On");
    EXPECT_FALSE(b.convertBinary);  // the posted command then turns it on
    EXPECT_EQ(b.poster.Take().size(), 1u);
    for (const char* off : {"#bincon,off", "#bincon,o", "#bincon, on"}) {
        b.convertBinary = false;
        Output(b, off);
        EXPECT_TRUE(b.convertBinary) << off;
        EXPECT_EQ(b.poster.Take().size(), 1u);
    }
}

TEST(ScriptInterpreter, PrintWritesTheResultsPaneWithoutCarriageReturns) {
    ScriptBench b;
    orvane::testing::TestDir temp;
    const std::filesystem::path& dir = temp.path();
    std::filesystem::path file = dir / "results out.txt";
    std::ofstream(file) << "old content that must go\n";

    b.results.text = "> *IDN?\r\nKelmscot,TRV8844\r\n";
    b.Lines({"#print," + file.string()});
    Exec(b, ScriptMode::Running);
    EXPECT_EQ(ReadFile(file), "> *IDN?\nKelmscot,TRV8844\n");
    EXPECT_EQ(b.results.text, "> *IDN?\r\nKelmscot,TRV8844\r\n");

    // No path, an empty one or one that cannot be created: the message, without a
    // line end, and the script goes on.
    for (const std::string& line : std::vector<std::string>{"#print", "#print,", "#Print," + (dir / "no such dir" / "x.txt").string(),
                             "#print," + dir.string()}) {
        b.results.text = "r\r\n";
        b.Lines({line, "#echo"});
        EXPECT_EQ(Exec(b, ScriptMode::Running), 0) << line;
        EXPECT_EQ(b.results.text, std::string("r\r\n") + kInvalidFileLocation) << line;
    }
    EXPECT_TRUE(b.poster.posted.empty());

    if (std::filesystem::exists("/dev/full")) {
        b.results.text = "r\r\n";
        b.Lines({"#print,/dev/full"});
        Exec(b, ScriptMode::Running);
        EXPECT_EQ(b.results.text, std::string("r\r\n") + kPrintWriteFailed);
    }
}

TEST(ScriptInterpreter, CalculatorLinesStopARunningScriptOnFail) {
    ScriptBench b;
    b.Lines({"=stop,onfail", "=1", "=2", "=test,hi", "=3", "=cleartest", "=4"});
    for (int i = 0; i < 3; ++i) Exec(b, ScriptMode::Running, i);
    EXPECT_TRUE(b.poster.posted.empty());
    Exec(b, ScriptMode::Running, 3);
    EXPECT_EQ(b.poster.Take(), (std::vector<PostedCommand>{{ui::kCmdScriptRunStop, kStopRequest}}));
    Exec(b, ScriptMode::StepPending, 4);  // single steps are never stopped
    EXPECT_TRUE(b.poster.posted.empty());
    Exec(b, ScriptMode::Running, 4);  // every later line asks again
    EXPECT_EQ(b.poster.Take().size(), 1u);
    Exec(b, ScriptMode::Running, 5);
    Exec(b, ScriptMode::Running, 6);
    EXPECT_TRUE(b.poster.posted.empty());
    EXPECT_EQ(b.runner.engine().calculator.x(), 4);
    EXPECT_EQ(b.results.text, "");  // nothing of the calculator is shown
}
