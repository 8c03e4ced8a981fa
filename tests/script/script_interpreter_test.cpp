#include "script/script_interpreter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/text_format.h"
#include "script/script_texts.h"
#include "script_bench.h"
#include "support/file_size_limit.h"
#include "ui/command_ids.h"

using namespace std::string_literals;
using namespace orvane;
using namespace orvane::script;
using orvane::testing::Echo;
using orvane::testing::ScriptBench;
using Posts = std::vector<ui::PostedCommand>;

// Runs the first of `lines` as a running script does; true when its send failed.
static bool Execute(ScriptBench& b, const std::vector<std::string>& lines) {
    b.list.items = lines;
    int index = 0;
    return ExecuteScriptLine(b.host, b.runner.engine(), ScriptMode::Running, index, b.list.Count());
}

TEST(ScriptInterpreter, LinesSendShowWaitAndPost) {
    ScriptBench b;
    b.clock.SetLocalTime({.hour = 9, .minute = 5, .second = 3, .millisecond = 7});
    ScriptEngineState& e = b.runner.engine();
    const Posts stop{{ui::kCmdScriptRunStop, kStopRequest}};
    struct Row {
        std::vector<std::string> lines;
        std::string shown{};  // in the results pane
        uint32_t delay = 0;   // beyond the step interval
        Posts posted{};       // commands for the window
    };
    auto check = [&](const Row& row) {
        SCOPED_TRACE(row.lines[0]);
        b.results.text.clear();
        EXPECT_EQ(Execute(b, row.lines), !b.record.channelOpen);
        EXPECT_EQ(b.results.text, row.shown);
        EXPECT_EQ(e.nextStepTime - b.clock.TickCount() - e.stepInterval, row.delay);
        EXPECT_EQ(b.poster.Take(), row.posted);
    };
    for (const char* line : {"#Beeper", "#bee", "#", "#nothing,at all", "; comment", "", "x\"*IDN?",
                             "#bincon,", "=stop,onfail", "=1", "=2"})
        check({{line}});
    EXPECT_EQ(b.beeper.beeps, 1);
    check({{"#reply,3"}, "", 3000});
    EXPECT_TRUE(e.awaitingReply);
    const Row rows[] = {
        {{"\"*IDN?"}, Echo("*IDN?"), kQueryReplyTimeoutMs},
        {{"\"say \"hi?\"", "#reply,3"}, Echo("say \"hi?\"")},  // not a query
        {{"\"read?", "#REPLY,10", "#echo"}, Echo("read?"), 10000},
        {{"\"read?", "#Reply"}, Echo("read?"), 1000},
        {{"\"read?", "#repl,9"}, Echo("read?"), kQueryReplyTimeoutMs},
        // Whole seconds after the first comma, 1 s for none, 500 s at most.
        {{"#pause"}, "", 1000},
        {{"#PAUSE,0"}, "", 1000},
        {{"#pause, 3,9"}, "", 3000},
        {{"#pause,999"}, "", 500000},
        {{"#echo,hello, world"}, "hello, world\r\n"},
        {{"#ECHO"}, "\r\n"},
        {{"#echo," + std::string(3000, 'e')}, std::string(kMaxEchoLength, 'e') + "\r\n"},
        {{"#time"}, platform::Format(kTimeFormat, 9, 5, 3, 7)},
        {{"#WAIT,Fit the probe", "#echo"}, "Fit the probe\r\n", 0, stop},
        {{"#wait,"}, kWaitPrompt + "\r\n"s},  // nothing follows to stop for
        {{"#clear"}, "", 0, {{ui::kCmdClearResults}}},
        // After "stop,onfail" a failed test stops the run, and so does every later
        // calculator line until "cleartest".
        {{"=test,hi"}, "", 0, stop},
        {{"=5"}, "", 0, stop},
        {{"=cleartest"}},
        {{"=4"}}};
    for (const Row& row : rows) check(row);
    // "bincon" presets the setting so that the flip it posts lands on the wish.
    for (auto [line, on] :
         {std::pair{"#bincon", false}, {"#BINCON,On", true}, {"#bincon,o", false}}) {
        b.convertBinary = true;
        check({{line}, "", 0, {{ui::kCmdConvertBinary}}});
        EXPECT_EQ(b.convertBinary, !on) << line;
    }
    b.record.channelOpen = false;  // disconnected: nothing may pretend to go out
    check({{"\"*IDN?"}, Echo("*IDN?", kSendFailed), kQueryReplyTimeoutMs});
}

// Only a regular file will do: a FIFO without a reader would hang the script.
TEST(ScriptInterpreter, PrintWritesThePaneWithLineFeedsToARegularFile) {
    ScriptBench b;
    const std::string file = b.dir.Write("results out.txt", "old content that must go\n"),
                      fifo = b.dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto print = [&](const std::string& line, const std::string& pane) {
        b.results.text = pane;
        Execute(b, {line, "#echo"});
        return b.results.text.substr(pane.size());
    };
    EXPECT_EQ(print("#print," + file, "> *IDN?\r\nKelmscot\r\n"), "");
    EXPECT_EQ(b.dir.Read("results out.txt"), "> *IDN?\nKelmscot\n");
    for (const std::string& line :
         {"#print"s, "#Print," + b.dir / "none/x.txt", "#print," + b.dir.path(),
          "#print,/dev/full"s, "#print," + fifo})
        EXPECT_EQ(print(line, ""), kInvalidFileLocation) << line;

    // A full disk: the file opens, the writing fails (the size limit stands in for it).
    {
        orvane::testing::ScopedFileSizeLimit full(1);
        EXPECT_EQ(print("#print," + file, "r\r\n"), kPrintWriteFailed);
    }
    EXPECT_TRUE(b.poster.posted.empty());  // the script goes on
}
