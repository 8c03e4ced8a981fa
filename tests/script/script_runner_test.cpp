#include "script/script_runner.h"

#include <gtest/gtest.h>

#include "script_bench.h"
#include "ui/command_ids.h"

using namespace orvane;
using namespace orvane::script;
using orvane::testing::Echo;
using orvane::testing::ScriptBench;
using Times = std::vector<uint32_t>;
constexpr int kRunStop = ui::kCmdScriptRunStop;

// Starts just short of the tick count's wrap, which the timing must survive.
TEST(ScriptRunner, PacesLinesRepliesAndTimeoutsAcrossTheTickCountWrap) {
    ScriptBench b(0xFFFFFFFFu - 1000);
    b.Load({"#fast", "#echo,1", "#echo,2", "#slow", "#echo,3", "#echo,4"});
    b.Press(kRunStop);
    b.RunToStop();
    EXPECT_EQ(b.times, (Times{50, 100, 650, 1150}));

    // A query answered after 2 s moves on 250 ms after the reply was noticed; a
    // later line of two or more characters pushes that back, a shorter one does
    // not, and neither makes the answered query time out.
    for (const char* late : {"", "22", "7"}) {
        b.Load({"#normal", "\"meas?", "#echo,next"});
        b.Press(kRunStop);
        b.RunFor(2250);
        b.Reply("1.5");
        b.RunFor(100);
        if (*late) b.Reply(late);
        b.RunToStop();
        const uint32_t noticed = std::string(late).size() >= 2 ? 2351 : 2251;
        EXPECT_EQ(b.times.back(), noticed + kReplySettleMs) << late;
        EXPECT_EQ(b.results.text.find(kTimeout), std::string::npos) << late;
    }

    // Unanswered: "TIMEOUT" at the step interval plus the time-out.
    b.Load({"\"meas?", "#echo,a", "\"meas?", "#REPLY,2", "#echo,b"});
    b.Press(kRunStop);
    b.RunToStop();
    EXPECT_EQ(b.times, (Times{0, 5250, 5500, 7750}));
    EXPECT_EQ(b.results.text,
              Echo("meas?") + kTimeout + "a\r\n" + Echo("meas?") + kTimeout + "b\r\n");
}

TEST(ScriptRunner, StepStopAndRunAgain) {
    ScriptBench b;
    b.Load({"#echo,a", "\"meas?", "#reply,9", "=2", "#echo,b"});
    b.Press(ui::kCmdScriptStep);
    b.Press(ui::kCmdScriptStep);
    EXPECT_EQ(b.list.current, 3);  // the reply line went with the query
    b.Press(ui::kCmdScriptStep);   // at once: single steps wait for nothing
    b.Press(ui::kCmdScriptStep);
    EXPECT_EQ(b.results.text, "a\r\n" + Echo("meas?") + kTimeout + "b\r\n");
    EXPECT_EQ(b.list.current, -1);
    b.RunFor(1000);
    EXPECT_TRUE(b.runner.mode() == ScriptMode::Stopped && b.times.size() == 4);

    // Stop holds the next line; Run continues at the selection without a reset.
    b.Load({"=7", "#echo,1", "#echo,2", "#echo,3"});
    b.Press(kRunStop);
    b.RunFor(300);
    b.Press(kRunStop);
    b.RunFor(1000);
    EXPECT_TRUE(b.times.size() == 1 && b.list.current == 2);
    b.Press(kRunStop);
    b.RunToStop();
    EXPECT_TRUE(b.times.size() == 3 && b.runner.engine().calculator.x() == 7);
}

TEST(ScriptRunner, StopRequestsOnlyEverStop) {
    ScriptBench b;
    b.Load({"=stop,onfail", "=1", "=2", "=test,hi", "#echo,after", "=3"});
    b.Press(kRunStop);
    b.RunToStop();
    EXPECT_EQ(b.list.current, 4);  // stopped after the failed test
    // The last line asks to stop twice in one tick (its test and the end of the
    // script): the script ends stopped, not running again.
    b.Press(kRunStop);
    b.RunFor(2000);
    EXPECT_TRUE(b.runner.mode() == ScriptMode::Stopped && b.results.text == "after\r\n");
    for (int i = 0; i < 6; ++i) b.Press(ui::kCmdScriptStep);  // steps are never stopped
    EXPECT_TRUE(b.list.current == -1 && b.runner.engine().calculator.failCount() == 1);

    // A send that fails stops the run, and Run goes on with the next line. The
    // stop request, while still queued, holds the run even if the front end
    // ticks before it handles its queue.
    b.Load({"\"*RST", "#echo,b"});
    b.record.channelOpen = false;
    b.Press(kRunStop);
    b.clock.Advance(500);
    b.runner.ScriptTick();
    b.Tick();
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
    EXPECT_EQ(b.results.text, Echo("*RST", kSendFailed));
    b.Press(kRunStop);
    b.RunToStop();
    EXPECT_EQ(b.results.text, Echo("*RST", kSendFailed) + "b\r\n");
}

// A refused file leaves the loaded script and its place; a script whose every
// line is too long for the list ends a run at once.
TEST(ScriptRunner, ScriptCommandKeepsTheScriptItRefusesToReplace) {
    ScriptBench b;
    b.Load({"#echo,1", "#echo,2"});
    b.list.current = 1;
    b.dialogs.openAnswers = {b.dir.Write("bad.txt", "no script here\n"),
                             b.dir.Write("long.txt", "\"" + std::string(2100, 'x') + "\n")};
    b.Press(ui::kCmdScript);
    EXPECT_EQ(b.boxes.shown.size(), 1u);
    EXPECT_TRUE(b.list.items.size() == 2 && b.list.current == 1);
    b.Press(ui::kCmdScript);
    EXPECT_TRUE(b.list.items.empty());
    b.Press(kRunStop);
    b.RunFor(10);
    EXPECT_EQ(b.runner.mode(), ScriptMode::Stopped);
    b.record.instrumentReady = false;
    b.Press(ui::kCmdScript);  // not connected: ignored
    EXPECT_EQ(b.dialogs.openRequests.size(), 3u);
}
