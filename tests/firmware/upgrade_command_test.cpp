#include "app/upgrade_command.h"

#include <gtest/gtest.h>

#include "app/shell_bench.h"
#include "connection/connect_and_identify.h"
#include "firmware/firmware_texts.h"
#include "firmware_test_files.h"
#include "support/fake_upgrade_dialogs.h"
#include "ui/app_strings.h"
#include "ui/command_ids.h"
#include "upgrade_test_bench.h"

namespace orvane::firmware {
namespace {

using orvane::testing::FakeUpgradeDialogs;
using orvane::testing::ShellBench;

TEST(UpgradeCommand, StopsARunningScriptFirst) {
    ShellBench bench;
    FakeUpgradeDialogs dialogs;
    app::InstallUpgradeCommand(bench.shell, dialogs);
    bool running = true;
    int stops = 0;
    bench.shell.hooks().scriptRunning = [&] { return running; };
    bench.shell.hooks().stopScript = [&] {
        ++stops;
        running = false;
    };
    bench.w.files.answers.push_back(std::nullopt);
    bench.shell.HandleCommand(ui::kCmdUpgradeFirmware);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(bench.w.files.requests.size(), 1u);
    EXPECT_TRUE(bench.w.boxes.shown.empty());

    // A script that will not stop keeps the channel: no upgrade.
    running = true;
    bench.shell.hooks().stopScript = nullptr;
    bench.shell.HandleCommand(ui::kCmdUpgradeFirmware);
    EXPECT_EQ(bench.w.files.requests.size(), 1u);
    ASSERT_EQ(bench.w.boxes.shown.size(), 1u);
    EXPECT_EQ(bench.w.boxes.shown[0].text, app::kStopScriptFirstText);
    EXPECT_EQ(bench.w.boxes.shown[0].caption, ui::kAppName);
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
    bench.w.menu.enabled[ui::kCmdUpgradeFirmware] = false;

    // Not connected at the start; the user goes on, and the flow finds the instrument.
    testing::TempFolder dir;
    dir.Write("main.hex", testing::HexFile(2));
    bench.w.files.answers.push_back(dir.Write("fw.upg", "TARGET,TRV88\nLOAD,0,main.hex\n"));
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
