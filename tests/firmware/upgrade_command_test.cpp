#include "app/upgrade_command.h"

#include <gtest/gtest.h>

#include "app/shell_bench.h"
#include "connection/connect_and_identify.h"
#include "firmware/firmware_texts.h"
#include "sim/memory_link.h"
#include "support/fake_upgrade_dialogs.h"
#include "transport/tcp_link.h"
#include "ui/app_strings.h"
#include "ui/command_ids.h"
#include "upgrade_test_bench.h"

namespace orvane::firmware {
namespace {

using orvane::testing::FakeUpgradeDialogs;
using orvane::testing::ShellBench;

TEST(UpgradeCommand, StopsARunningScriptFirst) {
    ShellBench bench;
    sim::MemoryLink link;
    transport::ConnectionRecord& r = bench.shell.record();
    r.interfaceKind = transport::InterfaceKind::Lan;
    r.link = std::make_unique<transport::TcpLink>(platform::UniqueFd(link.ReleaseClientFd()),
                                                  r.linkOptions);
    r.channelOpen = true;
    r.instrumentReady = true;
    orvane::testing::TempFolder dir;
    bench.w.files.openAnswers = {
        dir.Write("long.txt", "#echo,start\r\n#pause,60\r\n#echo,never\r\n")};
    bench.shell.HandleCommand(ui::kCmdScript);
    bench.RunPosted();
    bench.shell.HandleCommand(ui::kCmdScriptRunStop);
    ASSERT_EQ(bench.shell.scripts().mode(), script::ScriptMode::Running);

    FakeUpgradeDialogs dialogs;
    app::InstallUpgradeCommand(bench.shell, dialogs);
    bench.w.files.openAnswers.push_back(std::nullopt);  // the upgrade's file dialog: cancelled
    bench.shell.HandleCommand(ui::kCmdUpgradeFirmware);
    EXPECT_EQ(bench.shell.scripts().mode(), script::ScriptMode::Stopped);
    EXPECT_EQ(bench.w.files.openRequests.size(), 2u);
    EXPECT_EQ(bench.w.runStop.caption, ui::kCaptionRun);
}

TEST(UpgradeCommand, TheWindowFollowsTheFreshIdentification) {
    testing::SimBench sim;
    ShellBench bench;
    FakeUpgradeDialogs dialogs;
    dialogs.filesListAnswer = ui::kFilesListCancelId;
    app::InstallUpgradeCommand(bench.shell, dialogs);
    transport::ConnectionRecord& r = bench.shell.record();
    r.interfaceKind = transport::InterfaceKind::Lan;
    r.ipAddress = "127.0.0.1";
    r.linkOptions = sim.record.linkOptions;
    bench.w.menu.enabled[ui::kCmdUpgradeFirmware] = false;

    // Not connected at the start; the user goes on, and the flow finds the instrument.
    orvane::testing::TempFolder dir;
    dir.Write("main.hex", testing::HexFile(2));
    bench.w.files.openAnswers.push_back(dir.Write("fw.upg", "TARGET,TRV88\nLOAD,0,main.hex\n"));
    bench.shell.HandleCommand(ui::kCmdUpgradeFirmware);
    EXPECT_EQ(dialogs.filesLists.size(), 1u);
    EXPECT_TRUE(r.instrumentReady);
    EXPECT_TRUE(r.pollReplies);
    EXPECT_TRUE(bench.w.menu.enabled[ui::kCmdUpgradeFirmware]);
    EXPECT_TRUE(bench.w.commandLine.enabled);
    EXPECT_EQ(bench.w.frame.title, app::ConnectedCaption(r));
    EXPECT_NE(bench.w.info.Text().find("TRV8844"), std::string::npos) << bench.w.info.Text();
}

}  // namespace
}  // namespace orvane::firmware
