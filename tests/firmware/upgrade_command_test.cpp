#include "app/upgrade_command.h"

#include <gtest/gtest.h>

#include "app/shell_bench.h"
#include "support/fake_upgrade_dialogs.h"
#include "ui/app_strings.h"
#include "upgrade_test_bench.h"

namespace orvane::firmware {
namespace {

using orvane::testing::FakeUpgradeDialogs;
using orvane::testing::ShellBench;

// The shell as the user starts the upgrade from the menu, connected (or not)
// to an instrument on loopback TCP.
struct CommandBench {
    explicit CommandBench(bool connected) {
        app::InstallUpgradeCommand(bench.shell, dialogs);
        transport::ConnectionRecord& r = bench.shell.record();
        r.interfaceKind = transport::InterfaceKind::Lan;
        r.ipAddress = "127.0.0.1";
        r.linkOptions = sim.record.linkOptions;
        if (connected) bench.shell.HandleCommand(ui::kCmdConnection, 1);
        bench.RunPosted();
        dir.Write("main.hex", testing::HexFile(2));
    }
    testing::SimBench sim;
    ShellBench bench;
    FakeUpgradeDialogs dialogs;
    testing::TempFolder dir;
};

TEST(UpgradeCommand, StopsARunningScriptFirst) {
    CommandBench c(true);
    ASSERT_TRUE(c.bench.shell.record().instrumentReady);
    c.bench.w.files.openAnswers = {c.dir.Write("long.txt", "#echo,start\r\n#pause,60\r\n")};
    c.bench.shell.HandleCommand(ui::kCmdScript);
    c.bench.RunPosted();
    c.bench.shell.HandleCommand(ui::kCmdScriptRunStop);
    ASSERT_EQ(c.bench.shell.scripts().mode(), script::ScriptMode::Running);

    c.bench.w.files.openAnswers.push_back(std::nullopt);  // the upgrade's file dialog: cancelled
    c.bench.shell.HandleCommand(ui::kCmdUpgradeFirmware);
    EXPECT_EQ(c.bench.shell.scripts().mode(), script::ScriptMode::Stopped);
    EXPECT_EQ(c.bench.w.files.openRequests.size(), 2u);
    EXPECT_EQ(c.bench.w.runStop.caption, ui::kCaptionRun);
}

TEST(UpgradeCommand, TheWindowFollowsTheFreshIdentification) {
    CommandBench c(false);
    c.dialogs.filesListAnswer = ui::kFilesListCancelId;
    c.bench.w.menu.enabled[ui::kCmdUpgradeFirmware] = false;
    // Not connected at the start; the user goes on, and the flow finds the instrument.
    c.bench.w.files.openAnswers = {c.dir.Write("fw.upg", "TARGET,TRV88\nLOAD,0,main.hex\n")};
    c.bench.shell.HandleCommand(ui::kCmdUpgradeFirmware);
    const transport::ConnectionRecord& r = c.bench.shell.record();
    EXPECT_EQ(c.dialogs.filesLists.size(), 1u);
    EXPECT_TRUE(r.instrumentReady && r.pollReplies);
    EXPECT_TRUE(c.bench.w.menu.enabled[ui::kCmdUpgradeFirmware]);
    EXPECT_TRUE(c.bench.w.commandLine.enabled);
    EXPECT_EQ(c.bench.w.frame.title, app::ConnectedCaption(r));
    EXPECT_NE(c.bench.w.info.Text().find("TRV8844"), std::string::npos) << c.bench.w.info.Text();
}

}  // namespace
}  // namespace orvane::firmware
