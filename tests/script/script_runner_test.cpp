#include "script/script_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/text_format.h"
#include "script/script_texts.h"
#include "script_bench.h"
#include "test_dir.h"
#include "ui/app_strings.h"
#include "ui/command_ids.h"

using namespace orvane;
using namespace orvane::script;
using orvane::testing::PaneEvent;
using orvane::testing::PostedCommand;
using orvane::testing::ScriptBench;

namespace {

// Loads lines as the "&Script" command would have, leaving the runner stopped.
void Load(ScriptBench& b, const std::vector<std::string>& lines) {
    b.Lines(lines);
    if (b.runner.mode() == ScriptMode::None) {
        orvane::testing::TestDir dir;
        std::filesystem::path p = dir / "load.txt";
        std::ofstream(p) << "#beep\n";
        b.dialogs.openAnswers = {p.string()};
        b.runner.ScriptCommand();
        b.poster.Take();
    }
    b.Lines(lines);
}

std::vector<uint32_t> Times(const std::vector<PaneEvent>& events) {
    std::vector<uint32_t> out;
    for (const PaneEvent& e : events) out.push_back(e.at);
    return out;
}

std::string Texts(const std::vector<PaneEvent>& events) {
    std::string out;
    for (const PaneEvent& e : events) out += e.text;
    return out;
}

}  // namespace

TEST(ScriptRunner, StepIntervalSetsThePace) {
    ScriptBench b;
    Load(b, {"#fast", "#echo,1", "#echo,2", "#echo,3"});
    const uint32_t t0 = b.clock.TickCount();
    b.Press(ui::kCmdScriptRunStop);
    EXPECT_EQ(b.runButton.Caption(), ui::kCaptionStop);
    EXPECT_FALSE(b.stepButton.Enabled());
    EXPECT_FALSE(b.closeButton.Enabled());
    b.RunToStop();
    EXPECT_EQ(Times(b.events), (std::vector<uint32_t>{t0 + 50, t0 + 100, t0 + 150}));
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
    EXPECT_EQ(b.list.current, -1);
    EXPECT_EQ(b.runButton.Caption(), ui::kCaptionRun);
    EXPECT_TRUE(b.stepButton.Enabled());

    // The interval outlives the script and the run.
    Load(b, {"#echo,a", "#slow", "#echo,b", "#echo,c"});
    b.events.clear();
    const uint32_t t1 = b.clock.TickCount();
    b.Press(ui::kCmdScriptRunStop);
    b.RunToStop();
    EXPECT_EQ(Times(b.events), (std::vector<uint32_t>{t1, t1 + 50 + 500, t1 + 50 + 1000}));
    EXPECT_EQ(b.runner.engine().stepInterval, kSlowStepMs);
}

TEST(ScriptRunner, AnsweredQueryMovesOnSoonAfterTheReply) {
    ScriptBench b;
    Load(b, {"\"meas?", "#echo,next"});
    const uint32_t t0 = b.clock.TickCount();
    b.Press(ui::kCmdScriptRunStop);
    b.RunFor(2000);
    b.Reply("1.5");
    b.Tick();
    b.RunToStop();
    EXPECT_EQ(b.events.back().at, t0 + 2000 + kReplySettleMs);
    EXPECT_EQ(b.results.text, "> meas?\r\n1.5\r\nnext\r\n");
    EXPECT_EQ(b.Received(), std::string("meas?\n") + '\0');

    // A later reply line of two or more characters pushes the next line back; a
    // one-character line does not, and is no reason to report a time-out.
    for (const char* late : {"22", "7"}) {
        b.events.clear();
        b.results.text.clear();
        const uint32_t t1 = b.clock.TickCount();
        b.Press(ui::kCmdScriptRunStop);
        b.RunFor(1000);
        b.Reply("1.5");
        b.Tick();
        b.RunFor(100);
        b.Reply(late);
        b.Tick();
        b.RunToStop();
        uint32_t expected = std::string(late).size() >= 2 ? t1 + 1100 + kReplySettleMs : t1 + 1000 + kReplySettleMs;
        EXPECT_EQ(b.events.back().at, expected) << late;
        EXPECT_EQ(b.results.text.find(kTimeout), std::string::npos) << late;
    }
}

TEST(ScriptRunner, UnansweredQueryTimesOutAtIntervalPlusTimeout) {
    ScriptBench b;
    Load(b, {"\"meas?", "#echo,next", "\"meas?", "#REPLY,2", "#echo,last"});
    const uint32_t t0 = b.clock.TickCount();
    b.Press(ui::kCmdScriptRunStop);
    b.RunToStop();
    const uint32_t t1 = t0 + kNormalStepMs + kQueryReplyTimeoutMs;
    const uint32_t t2 = t1 + kNormalStepMs;
    EXPECT_EQ(Times(b.events), (std::vector<uint32_t>{t0, t1, t2, t2 + kNormalStepMs + 2000}));
    EXPECT_EQ(Texts(b.events), std::string("> meas?\r\n") + kTimeout + "next\r\n> meas?\r\n" + kTimeout + "last\r\n");
}

TEST(ScriptRunner, TimingSurvivesTheTickCountWrap) {
    ScriptBench b(0xFFFFFFFFu - 1000);
    Load(b, {"\"meas?", "#echo,next"});
    const uint32_t t0 = b.clock.TickCount();
    b.Press(ui::kCmdScriptRunStop);
    b.RunToStop();
    EXPECT_EQ(Times(b.events), (std::vector<uint32_t>{t0, t0 + kNormalStepMs + kQueryReplyTimeoutMs}));
    EXPECT_EQ(Texts(b.events), std::string("> meas?\r\n") + kTimeout + "next\r\n");
}

TEST(ScriptRunner, StepWalksOneLinePerPress) {
    ScriptBench b;
    Load(b, {"#echo,a", "\"meas?", "#reply,9", "#echo,b"});
    b.Press(ui::kCmdScriptStep);
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
    EXPECT_EQ(b.list.current, 1);
    b.Press(ui::kCmdScriptStep);
    EXPECT_EQ(b.list.current, 3);  // the reply line belongs to the query
    b.Press(ui::kCmdScriptStep);   // at once: single steps do not wait for replies
    EXPECT_EQ(b.results.text, std::string("a\r\n> meas?\r\n") + kTimeout + "b\r\n");
    EXPECT_EQ(b.list.current, -1);
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
    EXPECT_TRUE(b.handled.empty());

    b.RunFor(1000);  // nothing runs on its own
    EXPECT_EQ(b.events.size(), 3u);
}

TEST(ScriptRunner, StopHoldsTheNextLineAndRunContinuesFromTheSelection) {
    ScriptBench b;
    Load(b, {"=1", "=2", "#echo,3", "#echo,4"});
    b.Press(ui::kCmdScriptRunStop);
    b.RunFor(300);
    b.Press(ui::kCmdScriptRunStop);
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
    EXPECT_EQ(b.list.current, 2);
    b.RunFor(1000);
    EXPECT_TRUE(b.events.empty());
    EXPECT_EQ(b.runner.engine().calculator.x(), 2);

    const uint32_t t1 = b.clock.TickCount();
    b.Press(ui::kCmdScriptRunStop);
    b.RunToStop();
    EXPECT_EQ(Times(b.events), (std::vector<uint32_t>{t1, t1 + kNormalStepMs}));
    EXPECT_EQ(b.runner.engine().calculator.y(), 1);  // continuing resets nothing

    // Run from the top resets the registers before the first line.
    b.Press(ui::kCmdScriptRunStop);
    EXPECT_EQ(b.runner.engine().calculator.x(), 1);
    EXPECT_EQ(b.runner.engine().calculator.y(), 0);
    b.RunToStop();
}

TEST(ScriptRunner, StopOnFailStopsRunsButNotSteps) {
    ScriptBench b;
    Load(b, {"=stop,onfail", "=1", "=2", "=test,hi", "#echo,after", "=3"});
    b.Press(ui::kCmdScriptRunStop);
    b.RunToStop();
    EXPECT_EQ(b.list.current, 4);
    EXPECT_EQ(b.runner.engine().calculator.failCount(), 1);
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);

    // The last line asks to stop twice in one tick (its own test and the end of the
    // script): both are stop requests, so the script ends stopped.
    b.Press(ui::kCmdScriptRunStop);
    b.RunFor(2000);
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
    EXPECT_EQ(b.list.current, -1);
    EXPECT_EQ(b.results.text, "after\r\n");
    EXPECT_EQ(b.runButton.Caption(), ui::kCaptionRun);

    // In single steps nothing is stopped and the fail count stays.
    for (int i = 0; i < 6; ++i) b.Press(ui::kCmdScriptStep);
    EXPECT_EQ(b.list.current, -1);
    EXPECT_EQ(b.runner.engine().calculator.failCount(), 1);
    EXPECT_TRUE(b.poster.posted.empty());
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
}

TEST(ScriptRunner, FailedSendStopsTheRunAndRunGoesOn) {
    ScriptBench b;
    Load(b, {"\"*RST", "#echo,b"});
    b.record.channelOpen = false;  // disconnecting neither stops nor closes a script
    b.Press(ui::kCmdScriptRunStop);
    b.RunFor(1000);
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
    EXPECT_EQ(b.results.text, std::string("> *RST") + kSendFailed);
    EXPECT_EQ(b.list.current, 1);
    b.Press(ui::kCmdScriptRunStop);
    b.RunToStop();
    EXPECT_EQ(b.results.text, std::string("> *RST") + kSendFailed + "b\r\n");
}

TEST(ScriptRunner, RunStopToggleOnlyFromTheButton) {
    ScriptBench b;
    b.runner.RunStopCommand(0);  // no script loaded: nothing to run
    EXPECT_EQ(b.runner.mode(), ScriptMode::None);
    b.runner.StepCommand();
    EXPECT_EQ(b.runner.mode(), ScriptMode::None);

    Load(b, {"#echo,a", "#echo,b"});
    b.runner.RunStopCommand(kStopRequest);
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
    b.runner.StepCommand();
    EXPECT_EQ(b.runner.mode(), ScriptMode::StepPending);
    b.runner.RunStopCommand(0);
    EXPECT_EQ(b.runner.mode(), ScriptMode::Running);
    b.runner.StepCommand();
    EXPECT_EQ(b.runner.mode(), ScriptMode::Running);
    b.runner.RunStopCommand(kStopRequest);
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);

    // A stop request not yet handled holds the run even if the front end ticks
    // before it handles its queue.
    b.Press(ui::kCmdScriptRunStop);
    b.RunFor(kNormalStepMs);
    ASSERT_EQ(b.list.current, -1);
    ASSERT_EQ(b.poster.posted.size(), 1u);
    b.clock.Advance(1000);
    b.runner.ScriptTick();
    b.runner.ScriptTick();
    EXPECT_EQ(b.results.text, "a\r\nb\r\n");
    b.Tick();
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
}

TEST(ScriptRunner, ScriptCommandLoadsShowsAndClosesThePanel) {
    ScriptBench b;
    orvane::testing::TestDir dir;
    std::string good = (dir / "good.txt").string();
    std::string other = (dir / "other.txt").string();
    std::string bad = (dir / "bad.txt").string();
    std::string longOnly = (dir / "long.txt").string();
    std::ofstream(good) << "\"*IDN?\n\n#echo,x\n\x1A";
    std::ofstream(other) << "#beep\n";
    std::ofstream(bad) << "no script here\n";
    std::ofstream(longOnly) << "\"" << std::string(2100, 'x') << "\n";

    b.record.instrumentReady = false;
    b.dialogs.openAnswers = {good};
    b.Press(ui::kCmdScript);
    EXPECT_TRUE(b.dialogs.openRequests.empty());  // not connected: ignored

    b.record.instrumentReady = true;
    b.dialogs.openAnswers = {std::nullopt};
    b.Press(ui::kCmdScript);
    EXPECT_EQ(b.runner.mode(), ScriptMode::None);
    EXPECT_EQ(b.poster.Take(), (std::vector<PostedCommand>{{ui::kCmdFocusCommandLine, 0}}));

    b.dialogs.openAnswers = {good};
    b.Press(ui::kCmdScript);
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
    EXPECT_EQ(b.runner.scriptPath(), good);
    EXPECT_EQ(b.list.items, (std::vector<std::string>{"\"*IDN?", "#echo,x"}));
    EXPECT_FALSE(b.commandLine.Visible());
    EXPECT_FALSE(b.sendButton.Visible());
    EXPECT_TRUE(b.list.Visible() && b.runButton.Visible() && b.stepButton.Visible() && b.closeButton.Visible());
    EXPECT_EQ(b.layout.paneHeight, kPaneHeightWithScript);
    EXPECT_GE(b.layout.relayoutCount, 1);
    EXPECT_EQ(b.runButton.Caption(), ui::kCaptionRun);

    // A refused file is reported once and the loaded script stays.
    b.list.current = 1;
    b.dialogs.openAnswers = {bad};
    b.Press(ui::kCmdScript);
    EXPECT_EQ(b.boxes.Texts(), std::vector<std::string>{platform::Format(kNotAScriptFile, bad.c_str())});
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
    EXPECT_EQ(b.runner.scriptPath(), good);
    EXPECT_EQ(b.list.items.size(), 2u);
    EXPECT_EQ(b.list.current, 1);

    b.list.current = 0;
    b.Press(ui::kCmdScriptRunStop);
    b.dialogs.openAnswers = {other};
    b.Press(ui::kCmdScript);  // ignored while running
    EXPECT_EQ(b.dialogs.openAnswers.size(), 1u);
    b.Press(ui::kCmdScriptRunStop);

    b.dialogs.openAnswers = {other};
    b.Press(ui::kCmdScript);
    EXPECT_EQ(b.list.items, std::vector<std::string>{"#beep"});
    EXPECT_EQ(b.list.current, -1);

    // A script whose every line is too long for the list runs to an end at once.
    b.dialogs.openAnswers = {longOnly};
    b.Press(ui::kCmdScript);
    EXPECT_TRUE(b.list.items.empty());
    const std::string sent = b.Received();
    b.Press(ui::kCmdScriptRunStop);
    b.RunFor(10);
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
    EXPECT_EQ(b.Received(), sent);

    b.poster.Take();
    b.Press(ui::kCmdScriptClose);
    EXPECT_EQ(b.runner.mode(), ScriptMode::None);
    EXPECT_TRUE(b.commandLine.Visible() && b.sendButton.Visible());
    EXPECT_FALSE(b.list.Visible() || b.runButton.Visible() || b.stepButton.Visible() || b.closeButton.Visible());
    EXPECT_EQ(b.layout.paneHeight, kPaneHeightNoScript);
    EXPECT_EQ(b.poster.Take(), (std::vector<PostedCommand>{{ui::kCmdFocusCommandLine, 0}}));
}
