#include "script/script_interpreter.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "script/script_texts.h"
#include "script_bench.h"

using namespace std::string_literals;
using namespace orvane;
using namespace orvane::script;
using orvane::testing::ScriptBench;
using Posts = std::vector<ui::PostedCommand>;

namespace {

// Runs the first of `lines` from an empty results pane; returns what it wrote.
std::string Line(ScriptBench& b, const std::vector<std::string>& lines,
                 ScriptMode mode = ScriptMode::StepPending, int* index = nullptr,
                 bool* failed = nullptr) {
    b.results.text.clear();
    b.list.items = lines;
    int i = 0;
    bool f = ExecuteScriptLine(b.host, b.runner.engine(), mode, i, b.list.Count());
    if (index) *index = i;
    if (failed) *failed = f;
    return b.results.text;
}

// The wait a line adds in a run beyond the step interval.
uint32_t Delay(ScriptBench& b, const std::vector<std::string>& lines, int* index = nullptr) {
    Line(b, lines, ScriptMode::Running, index);
    const ScriptEngineState& e = b.runner.engine();
    return e.nextStepTime - b.clock.TickCount() - static_cast<uint32_t>(e.stepInterval);
}

}  // namespace

TEST(ScriptInterpreter, CommandsQueriesAndFailedSends) {
    ScriptBench b;
    std::string echoes;
    for (const char* line : {"\"^[", "\"^c", "\"^1", "\"^", "\"*IDN?"}) echoes += Line(b, {line});
    // The caret rule, a line feed, and the zero byte every LAN send carries.
    EXPECT_EQ(b.Received(),
              "\x1B\n\0"s
              "\x03\n\0"s
              "^1\n\0"s
              "^\n\0"s
              "*IDN?\n\0"s);
    EXPECT_EQ(echoes, "> ^[\r\n> ^c\r\n> ^1\r\n> ^\r\n> *IDN?\r\n");

    ScriptEngineState& e = b.runner.engine();
    int index = -1;
    e.awaitingReply = false;
    EXPECT_EQ(Delay(b, {"\"say \"hi?\"", "#reply,3"}, &index),
              0u);  // closing quote after "?": no query
    EXPECT_FALSE(e.awaitingReply);
    EXPECT_EQ(index, 0);
    e.replyCharacterCount = 12;
    EXPECT_EQ(Delay(b, {"\"read?"}), kQueryReplyTimeoutMs);
    EXPECT_TRUE(e.awaitingReply);
    EXPECT_EQ(e.replyCharacterCount, 0);
    EXPECT_EQ(Delay(b, {"\"read?", "#REPLY,10", "#echo"}, &index), 10000u);
    EXPECT_EQ(index, 1);  // the reply line is consumed
    EXPECT_EQ(Delay(b, {"\"read?", "#Reply"}, &index), 1000u);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(Delay(b, {"\"read?", "#repl,9"}, &index), kQueryReplyTimeoutMs);
    EXPECT_EQ(index, 0);
    e.nextStepTime = 77;
    Line(b, {"\"read?", "#reply,3"}, ScriptMode::StepPending);
    EXPECT_EQ(e.nextStepTime, 77u);  // single steps are not delayed

    bool failed = false;
    b.record.channelOpen = false;  // disconnected: nothing may pretend to go out
    EXPECT_EQ(Line(b, {"\"*IDN?"}, ScriptMode::Running, nullptr, &failed),
              "> *IDN?"s + kSendFailed);
    EXPECT_TRUE(failed);
    EXPECT_TRUE(e.awaitingReply);  // the query's wait has started all the same
    b.record.channelOpen = true;
    auto link = std::move(b.record.link);
    EXPECT_EQ(Line(b, {"\"x"}, ScriptMode::Running, nullptr, &failed), "> x"s + kSendFailed);
    EXPECT_TRUE(failed);
    b.record.link = std::move(link);
    Line(b, {"\"x"}, ScriptMode::Running, nullptr, &failed);
    EXPECT_FALSE(failed);
}

TEST(ScriptInterpreter, ReplyTimeoutReadsWholeSecondsAfterTheFirstComma) {
    const std::pair<const char*, uint32_t> cases[] = {{"#p", 1000},
                                                      {"#p,", 1000},
                                                      {"#p,0", 1000},
                                                      {"#p,-3", 1000},
                                                      {"#p,x", 1000},
                                                      {"#p,3", 3000},
                                                      {"#p, 7s", 7000},
                                                      {"#p,2.9", 2000},
                                                      {"#p,3,9", 3000},
                                                      {"#p,999", 500000},
                                                      {"#p,99999999999999", 500000}};
    for (const auto& [line, ms] : cases) EXPECT_EQ(ReplyTimeout(line), ms) << line;
}

TEST(ScriptInterpreter, DirectivesMatchCaseInsensitivePrefixes) {
    ScriptBench b;
    for (const char* line : {"#beep", "#Beeper", "#BEEP,3", "#bee"}) Line(b, {line});
    EXPECT_EQ(b.beeper.beeps, 3);
    EXPECT_EQ(Delay(b, {"#pause"}), 1000u);
    EXPECT_EQ(Delay(b, {"#PAUSE,0"}), 1000u);
    EXPECT_EQ(Delay(b, {"#pause,3"}), 3000u);
    EXPECT_EQ(Delay(b, {"#pause,999"}), 500000u);
    EXPECT_FALSE(b.runner.engine().awaitingReply);
    EXPECT_EQ(Delay(b, {"#reply,3"}), 3000u);
    EXPECT_TRUE(b.runner.engine().awaitingReply);

    EXPECT_EQ(Line(b, {"#echo,hello, world"}), "hello, world\r\n");
    EXPECT_EQ(Line(b, {"#ECHO"}), "\r\n");
    EXPECT_EQ(Line(b, {"#echo," + std::string(3000, 'e')}),
              std::string(kMaxEchoLength, 'e') + "\r\n");
    b.clock.SetLocalTime({.hour = 9, .minute = 5, .second = 3, .millisecond = 7});
    EXPECT_EQ(Line(b, {"#time"}), "time: 09:05:03:007\r\n");
    for (auto [line, ms] :
         {std::pair{"#fast", kFastStepMs}, {"#Slower", kSlowStepMs}, {"#NORMAL", kNormalStepMs}}) {
        Line(b, {line});
        EXPECT_EQ(b.runner.engine().stepInterval, ms);
    }
    for (const char* line : {"#", "#nothing,at all", "; comment", "", "x\"*IDN?"}) {
        EXPECT_EQ(Delay(b, {line}), 0u);
        EXPECT_EQ(b.results.text, "") << line;
    }
    EXPECT_TRUE(b.poster.posted.empty());
    Line(b, {"#clear"});
    EXPECT_EQ(b.poster.Take(), (Posts{{ui::kCmdClearResults, 0}}));

    // "wait" stops a running script only when a line follows.
    EXPECT_EQ(Line(b, {"#wait", "#echo"}, ScriptMode::Running), kWaitPrompt + "\r\n"s);
    EXPECT_EQ(b.poster.Take(), (Posts{{ui::kCmdScriptRunStop, kStopRequest}}));
    EXPECT_EQ(Line(b, {"#WAIT,Fit the probe", "#echo"}), "Fit the probe\r\n");
    EXPECT_EQ(Line(b, {"#wait,"}, ScriptMode::Running), kWaitPrompt + "\r\n"s);
    EXPECT_TRUE(b.poster.posted.empty());

    // "bincon" presets the setting so that the posted flip lands on the wish.
    Line(b, {"#bincon,"});
    EXPECT_TRUE(b.convertBinary);
    EXPECT_TRUE(b.poster.posted.empty());
    Line(b, {"#bincon"});
    EXPECT_TRUE(b.convertBinary);
    EXPECT_EQ(b.poster.Take(), (Posts{{ui::kCmdConvertBinary, 0}}));
    Line(b, {"#BINCON,On"});
    EXPECT_FALSE(b.convertBinary);
    Line(b, {"#bincon,o"});
    EXPECT_TRUE(b.convertBinary);
    EXPECT_EQ(b.poster.Take().size(), 2u);
}

TEST(ScriptInterpreter, PrintAndCalculatorStops) {
    ScriptBench b;
    const std::string file = b.dir.Write("results out.txt", "old content that must go\n");
    b.list.items = {"#print," + file};
    b.results.text = "> *IDN?\r\nKelmscot\r\n";
    int index = 0;
    ExecuteScriptLine(b.host, b.runner.engine(), ScriptMode::Running, index, 1);
    EXPECT_EQ(b.dir.Read("results out.txt"),
              "> *IDN?\nKelmscot\n");  // LF here, unlike Save to File's CR LF
    EXPECT_EQ(b.results.text, "> *IDN?\r\nKelmscot\r\n");
    // Only a regular file will do: a FIFO without a reader would hang the script.
    const std::string fifo = b.dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& line :
         {"#print"s, "#print,"s, "#Print," + b.dir / "none/x.txt", "#print," + b.dir / "",
          "#print,/dev/full"s, "#print," + fifo}) {
        EXPECT_EQ(Line(b, {line, "#echo"}, ScriptMode::Running), kInvalidFileLocation) << line;
    }
    // A full disk: the file opens, the writing fails (the size limit stands in for it).
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit saved = limit;
    limit.rlim_cur = 1;
    auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    b.list.items = {"#print," + file};
    b.results.text = "r\r\n";
    ExecuteScriptLine(b.host, b.runner.engine(), ScriptMode::Running, index = 0, 1);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
    EXPECT_EQ(b.results.text, "r\r\n"s + kPrintWriteFailed);
    EXPECT_TRUE(b.poster.posted.empty());  // the script goes on

    // After "stop,onfail" a failed test, and every later calculator line but
    // "cleartest", stops a running script; single steps are never stopped.
    b.results.text.clear();
    b.list.items = {"=stop,onfail", "=1", "=2", "=test,hi", "=3", "=5", "=cleartest", "=4"};
    std::vector<int> stops;
    for (int i = 0; i < 8; ++i) {
        int at = i;
        ExecuteScriptLine(b.host, b.runner.engine(),
                          i == 4 ? ScriptMode::StepPending : ScriptMode::Running, at, 8);
        if (!b.poster.Take().empty()) stops.push_back(i);
    }
    EXPECT_EQ(stops, (std::vector<int>{3, 5}));
    EXPECT_EQ(b.runner.engine().calculator.x(), 4);
    EXPECT_EQ(b.results.text, "");  // nothing of the calculator is shown
}
