#include "firmware/upgrade_flow.h"

#include <gtest/gtest.h>

#include "app/shell_bench.h"
#include "app/upgrade_command.h"
#include "connection/connect_and_identify.h"
#include "firmware/files_list_dialog.h"
#include "firmware/firmware_texts.h"
#include "platform/text_format.h"
#include "support/fake_upgrade_dialogs.h"
#include "ui/app_strings.h"
#include "upgrade_test_bench.h"

namespace orvane::firmware {
namespace {

using orvane::testing::FakeUpgradeDialogs;
using orvane::testing::ShellBench;
using platform::Format;
using testing::HexFile;
using testing::SimBench;
using Texts = std::vector<std::string>;

struct FlowBench {
    explicit FlowBench(sim::InstrumentConfig config = {}, bool connected = true) : sim(config) {
        dir.Write("main.hex", HexFile(4));
        if (connected) Connect();
    }
    // Connected as the shell leaves it: identified, replies polled.
    void Connect() {
        sim.record.identity.Clear();
        sim.record.instrumentReady =
            connection::ConnectAndIdentify(boxes, cursor, sim.record, false);
        ASSERT_TRUE(sim.record.instrumentReady);
        sim.record.pollReplies = true;
        boxes.shown.clear();
    }
    // The user chooses this file (none: cancels the choice).
    bool Run(const std::string& file, const std::string& content) {
        files.openAnswers.push_back(file.empty() ? std::nullopt
                                                 : std::optional(dir.Write(file, content)));
        return RunFirmwareUpgrade({boxes, files, cursor, dialogs}, sim.record);
    }

    SimBench sim;
    testing::TempFolder dir;
    orvane::testing::FakeMessageBoxes boxes;
    orvane::testing::FakeFileDialogs files;
    orvane::testing::FakeWaitCursor cursor;
    FakeUpgradeDialogs dialogs;
};

TEST(UpgradeFlow, ChoosesTheSecondTargetAndUpgradesWithIt) {
    FlowBench bench;
    bench.dir.Write("new.hex", HexFile(6));
    EXPECT_TRUE(
        bench.Run("fw.upg",
                  "TARGET,TRV88,100,gteq\nWARNING,first target\nLOAD,0,main.hex\n"
                  "TARGET,TRV88,2,gteq\nWARNING,Do not switch off, wait\nLOAD,1,new.hex\n"));
    EXPECT_EQ(bench.boxes.Texts(), Texts{"Do not switch off, wait"});
    ASSERT_EQ(bench.dialogs.filesLists.size(), 1u);
    EXPECT_NE(bench.dialogs.filesLists[0].rtf.find("new.hex"), std::string::npos);
    EXPECT_EQ(bench.dialogs.filesLists[0].rtf.find("main.hex"), std::string::npos);
    EXPECT_EQ(bench.sim.Image(1), testing::Flash(6));
    EXPECT_TRUE(bench.sim.Image(0).empty());
    ASSERT_EQ(bench.dialogs.views.size(), 1u);
    EXPECT_EQ(bench.dialogs.views[0]->cancel.caption, kFinishedCaption);
    // Identified twice more by the flow; the restarted instrument dropped the
    // connection, and the dialog made a new one.
    EXPECT_EQ(bench.sim.engine().counters().connections, 4u);
    EXPECT_TRUE(bench.sim.record.channelOpen && bench.sim.record.pollReplies);
    EXPECT_EQ(bench.cursor.depth, 0);
}

// The connection stays as it was: no re-open after a failure.
TEST(UpgradeFlow, AFailedUpgradeKeepsTheConnectionAndTheInstrumentInItsBootloader) {
    FlowBench bench(testing::Instrument("refuse-init=2"));
    EXPECT_FALSE(bench.Run("fw.upg", "TARGET,TRV88\nLOAD,0,main.hex\n"));
    ASSERT_EQ(bench.dialogs.views.size(), 1u);
    EXPECT_EQ(bench.dialogs.views[0]->log, Texts{kInitFailedLog});
    EXPECT_EQ(bench.dialogs.views[0]->cancel.caption, kFinishedCaption);
    EXPECT_EQ(bench.sim.events(), (Texts{"enter", "init refused", "init refused"}));
    EXPECT_FALSE(bench.sim.ToldToRestart());
    EXPECT_EQ(bench.sim.engine().counters().connections, 3u);
    EXPECT_TRUE(bench.sim.record.channelOpen);
}

// Each ends before the bootloader is entered, and leaves the connection as it
// was. The files list offers Accept only for a plan without a fault.
TEST(UpgradeFlow, RefusalsTellWhyBeforeTheBootloader) {
    const sim::InstrumentConfig trv;
    sim::InstrumentConfig hlx, oneFieldVersion, bootcode;
    hlx.model = "HLX4377";
    oneFieldVersion.version = "1.23";
    bootcode.bootcode = true;
    const std::string load = "LOAD,0,main.hex\n", trv1 = "TARGET,TRV88,1,gteq\n";
    const std::string unknown = Format(kModelMismatchText, kUnknownModelText, "TRV8844");
    std::string fifty;
    for (int i = 0; i < 50; ++i) fifty += load;
    struct Row {
        const char* name;
        sim::InstrumentConfig config;
        std::string file, content, shown;  // shown: the one message, if any
        int accept = -1;  // the files list: not shown (-1), or Accept offered (1) or not (0)
    } const rows[] = {
        {"the file choice cancelled", trv, "", "", ""},
        {"LAN and an HLX model", hlx, "fw.upg", "TARGET,HLX43\n" + load, kLanHlxText},
        {"wrong extension", trv, "fw.txt", load, kNoLoadLinesText},
        {"no target model", trv, "fw.upg", load, unknown},
        {"another model", trv, "fw.upx", "TARGET,GDMB68,0,gteq\n" + load,
         Format(kModelMismatchText, "GDMB68", "TRV8844")},
        // A bare hex file fits only an instrument in its bootloader.
        {"a bare hex file for an application", trv, "AB_1234.hex", HexFile(2), unknown},
        {"a bare hex file in the bootloader", bootcode, "AB_1234.hex", HexFile(2), "", 1},
        {"a missing file", trv, "fw.upg", "TARGET,TRV88\nLOAD,1,absent.hex\n" + load, "", 0},
        {"version reply of one field", oneFieldVersion, "fw.upg", trv1 + load,
         kVersionUnreadableText},
        {"version condition fails", trv, "fw.upg", "TARGET,TRV88,100,gteq\n" + load,
         kIncompatibleText},
        {"unknown comparison word", trv, "fw.upg", "TARGET,TRV88,100,ge\n" + load, kNoTargetText},
        {"warning answered Cancel", trv, "fw.upg", trv1 + "WARNING,careful\n" + load, "careful"},
        {"fifty entries", trv, "fw.upg", trv1 + fifty, Format(kTooManyLoadLinesText, 50, 49)},
        {"every file for other serial numbers", trv, "fw.upg", trv1 + "SERIAL,1,20000,0\n" + load,
         Format(kNothingAppliesText, 10234)},
        {"three targets", trv, "fw.upg", trv1 + load + trv1 + load + trv1 + load,
         kTooManyTargetsText},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FlowBench bench(row.config);
        bench.dir.Write("DSP_1234.hex", HexFile(1));
        bench.dir.Write("FPG_1234.hex", HexFile(1));
        bench.boxes.answers = {ui::MessageAnswer::Cancel};  // to the warning
        bench.dialogs.filesListAnswer = ui::kFilesListCancelId;
        EXPECT_FALSE(bench.Run(row.file, row.content));
        EXPECT_EQ(bench.boxes.Texts(), row.shown.empty() ? Texts{} : Texts{row.shown});
        const auto& lists = bench.dialogs.filesLists;
        EXPECT_LE(lists.size(), 1u);
        EXPECT_EQ(lists.empty() ? -1 : lists[0].acceptEnabled, row.accept);
        EXPECT_TRUE(bench.dialogs.views.empty());
        EXPECT_TRUE(bench.sim.events().empty()) << "the bootloader was never entered";
        EXPECT_TRUE(bench.sim.record.pollReplies && bench.sim.record.instrumentReady);
        EXPECT_EQ(bench.cursor.depth, 0);
    }
}

TEST(UpgradeFlow, WithoutAnInstrumentItAsksAndIdentifiesOnceMore) {
    const sim::InstrumentConfig trv;
    sim::InstrumentConfig silent;
    silent.silent = true;
    const auto yes = ui::MessageAnswer::Yes, no = ui::MessageAnswer::No;
    struct Row {
        const char* name;
        sim::InstrumentConfig config;
        bool interfaceChosen;
        ui::MessageAnswer answer;
        std::string after;  // the message after the question, if any
        bool listed = false, portHeld = false;
    } const rows[] = {
        {"no interface chosen; Yes", trv, false, yes, kNoLoadLinesText},
        {"not ready; No: left freshly identified", trv, true, no, "", false, true},
        // The port is not held for an instrument that did not answer.
        {"silent; No", silent, true, no, ""},
        {"not ready; Yes: found again, its own model fits", trv, true, yes, "", true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FlowBench bench(row.config, false);
        if (!row.interfaceChosen) bench.sim.record.interfaceKind = transport::InterfaceKind::None;
        bench.boxes.answers = {row.answer};
        bench.dialogs.filesListAnswer = ui::kFilesListCancelId;
        const uint32_t start = bench.sim.clock.TickCount();
        EXPECT_FALSE(bench.Run("fw.upg", "TARGET,TRV88\nLOAD,0,main.hex\n"));
        Texts shown{kNoInstrumentQuestion};
        if (!row.after.empty()) shown.push_back(row.after);
        EXPECT_EQ(bench.boxes.Texts(), shown);
        EXPECT_EQ(bench.dialogs.filesLists.size(), row.listed);
        EXPECT_EQ(bench.sim.record.channelOpen, row.portHeld);
        EXPECT_EQ(bench.sim.record.instrumentReady, row.portHeld);
        if (!row.config.silent) {
            EXPECT_EQ(bench.sim.engine().counters().identificationQueries, row.interfaceChosen);
        }
        EXPECT_GE(bench.sim.clock.TickCount() - start, kReconnectPauseMs);
    }
}

// Closing the list or its failing is Cancel; a front end that lets Accept
// through for a faulty plan still cannot start the upgrade.
TEST(FilesListDialog, AcceptOnlyForASoundPlan) {
    using ui::kFilesListAcceptId, ui::kFilesListCancelId;
    for (int pressed : {kFilesListAcceptId, kFilesListCancelId, 0, -1}) {
        for (bool planError : {false, true}) {
            SCOPED_TRACE(std::to_string(pressed) + (planError ? " on a faulty plan" : ""));
            FakeUpgradeDialogs dialogs;
            dialogs.filesListAnswer = pressed;
            const bool accepted = pressed == kFilesListAcceptId && !planError;
            EXPECT_EQ(RunFilesListDialog(*dialogs.MakeFilesListWindow(), planError, "{\\rtf1 x}"),
                      accepted ? kFilesListAcceptId : kFilesListCancelId);
            EXPECT_EQ(dialogs.filesLists.at(0).acceptEnabled, !planError);
        }
    }
}

// The shell as the user starts the upgrade from the menu, connected (or not)
// to an instrument on loopback TCP.
struct CommandBench {
    CommandBench() {
        app::InstallUpgradeCommand(bench.shell, dialogs);
        transport::ConnectionRecord& r = bench.shell.record();
        r.interfaceKind = transport::InterfaceKind::Lan;
        r.ipAddress = "127.0.0.1";
        r.linkOptions = sim.record.linkOptions;
        dir.Write("main.hex", testing::HexFile(2));
    }
    SimBench sim;
    ShellBench bench;
    FakeUpgradeDialogs dialogs;
    testing::TempFolder dir;
};

// Not connected at the start: the user goes on, and the flow finds the
// instrument. The next time a script is running, and is stopped first.
TEST(UpgradeCommand, TheWindowFollowsTheFreshIdentificationAndARunningScriptStopsFirst) {
    CommandBench c;
    c.dialogs.filesListAnswer = ui::kFilesListCancelId;
    c.bench.w.files.openAnswers = {c.dir.Write("fw.upg", "TARGET,TRV88\nLOAD,0,main.hex\n")};
    c.bench.shell.HandleCommand(ui::kCmdUpgradeFirmware);
    EXPECT_EQ(c.dialogs.filesLists.size(), 1u);
    EXPECT_TRUE(c.bench.w.commandLine.enabled);
    EXPECT_EQ(c.bench.w.frame.title, app::ConnectedCaption(c.bench.shell.record()));

    c.bench.w.files.openAnswers = {c.dir.Write("long.txt", "#echo,start\r\n#pause,60\r\n")};
    c.bench.shell.HandleCommand(ui::kCmdScript);
    c.bench.RunPosted();
    c.bench.shell.HandleCommand(ui::kCmdScriptRunStop);
    ASSERT_EQ(c.bench.shell.scripts().mode(), script::ScriptMode::Running);
    c.bench.w.files.openAnswers.push_back(std::nullopt);  // the upgrade's file dialog: cancelled
    c.bench.shell.HandleCommand(ui::kCmdUpgradeFirmware);
    EXPECT_EQ(c.bench.shell.scripts().mode(), script::ScriptMode::Stopped);
    EXPECT_EQ(c.bench.w.files.openRequests.size(), 3u);
}

}  // namespace
}  // namespace orvane::firmware
