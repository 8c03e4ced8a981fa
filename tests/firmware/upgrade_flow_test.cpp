#include "firmware/upgrade_flow.h"

#include <gtest/gtest.h>

#include "connection/connect_and_identify.h"
#include "firmware/firmware_texts.h"
#include "platform/text_format.h"
#include "support/fake_upgrade_dialogs.h"
#include "ui/app_strings.h"
#include "upgrade_test_bench.h"

namespace orvane::firmware {
namespace {

using platform::Format;
using testing::HexFile;

struct Shown {
    std::string text, caption;
    ui::MessageIcon icon;
    bool operator==(const Shown&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Shown& s) {
    return out << "{" << s.text << " | " << s.caption << " | " << static_cast<int>(s.icon) << "}";
}
using Messages = std::vector<Shown>;

sim::InstrumentConfig Model(std::string model, std::string_view version = sim::kDefaultVersion) {
    sim::InstrumentConfig config;
    config.model = std::move(model);
    config.version = version;
    return config;
}

struct FlowBench {
    explicit FlowBench(sim::InstrumentConfig config = {}) : sim(config) {
        dir.Write("main.hex", HexFile(4));
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
    Messages Shown() const {
        Messages out;
        for (const auto& r : boxes.shown) out.push_back({r.text, r.caption, r.icon});
        return out;
    }

    testing::SimBench sim;
    testing::TempFolder dir;
    orvane::testing::FakeMessageBoxes boxes;
    orvane::testing::FakeFileDialogs files;
    orvane::testing::FakeWaitCursor cursor;
    orvane::testing::FakeUpgradeDialogs dialogs;
};

TEST(UpgradeFlow, ChoosesTheSecondTargetAndUpgradesWithIt) {
    FlowBench bench;
    bench.dir.Write("new.hex", HexFile(6));
    bench.Connect();
    bench.dialogs.tryClosing = true;
    EXPECT_TRUE(
        bench.Run("fw.upg",
                  "TARGET,TRV88,100,gteq\nWARNING,first target\nLOAD,0,main.hex\n"
                  "TARGET,TRV88,2,gteq\nWARNING,Do not switch off, wait\nLOAD,1,new.hex\n"));
    EXPECT_EQ(
        bench.Shown(),
        (Messages{{"Do not switch off, wait", kFirmwareWarningTitle, ui::MessageIcon::Warning}}));
    EXPECT_EQ(bench.boxes.shown[0].buttons, ui::MessageButtons::OkCancel);
    ASSERT_EQ(bench.dialogs.filesLists.size(), 1u);
    EXPECT_NE(bench.dialogs.filesLists[0].rtf.find("new.hex"), std::string::npos);
    EXPECT_EQ(bench.dialogs.filesLists[0].rtf.find("main.hex"), std::string::npos);
    EXPECT_EQ(bench.sim.Image(1).size(), 96u);
    EXPECT_TRUE(bench.sim.Image(0).empty());

    ASSERT_EQ(bench.dialogs.views.size(), 1u);
    const orvane::testing::FakeUpgradeView& view = *bench.dialogs.views[0];
    EXPECT_FALSE(view.timedOut);
    EXPECT_EQ(view.title, kUpgradeFirmwareTitle);
    // Neither button, nor the close box tried after every note, could end it while the worker ran.
    ASSERT_FALSE(view.statuses.empty());
    EXPECT_EQ(view.buttonsWhileWorking, std::vector<bool>(view.statuses.size(), false));
    EXPECT_EQ(view.statuses.back(), kFinishedStatus);
    EXPECT_EQ(view.log.back(), kFirmwareSentLog);
    EXPECT_EQ(view.progress.back(), 100);
    EXPECT_EQ(view.cancel.caption, kFinishedCaption);
    EXPECT_FALSE(view.start.enabled);

    // Identified twice more by the flow; the restarted instrument dropped the
    // connection, and the dialog made a new one on which the application answers.
    EXPECT_EQ(bench.sim.engine().counters().connections, 4u);
    ASSERT_TRUE(bench.sim.record.channelOpen && bench.sim.record.pollReplies);
    transport::ChannelSend("*IDN?\n", bench.sim.record);
    std::string reply;
    transport::ChannelReceiveLine(reply, 128, bench.sim.record);
    EXPECT_EQ(reply, sim::IdentityText(bench.sim.engine().config()));
    EXPECT_GT(bench.cursor.begins, 0);
    EXPECT_EQ(bench.cursor.depth, 0);
}

// Each refusal comes before the bootloader is entered, and leaves the
// connection as it was.
TEST(UpgradeFlow, RefusalsTellWhy) {
    const std::string app = ui::kAppName, title = kUpgradeFirmwareTitle;
    const auto info = ui::MessageIcon::Information, warning = ui::MessageIcon::Warning;
    std::string fifty;
    for (int i = 0; i < 50; ++i) fifty += "LOAD,0,main.hex\n";
    struct Row {
        const char* name;
        sim::InstrumentConfig config;
        std::string file, content;
        Messages shown;
    } const rows[] = {
        {"the file choice cancelled", {}, "", "", {}},
        {"LAN and an HLX model",
         Model("HLX4377"),
         "fw.upg",
         "TARGET,HLX43\nLOAD,0,main.hex\n",
         {{kLanHlxText, app, info}}},
        {"wrong extension", {}, "fw.txt", "LOAD,0,main.hex\n", {{kNoLoadLinesText, title, info}}},
        {"no target model",
         {},
         "fw.upg",
         "LOAD,0,main.hex\n",
         {{Format(kModelMismatchText, kUnknownModelText, "TRV8844"), app, warning}}},
        {"another model",
         {},
         "fw.upx",
         "TARGET,GDMB68,0,gteq\nLOAD,0,main.hex\n",
         {{Format(kModelMismatchText, "GDMB68", "TRV8844"), app, warning}}},
        {"two models the table does not know",
         Model("XYZ9"),
         "fw.upg",
         "TARGET,FOO\nLOAD,0,main.hex\n",
         {{Format(kModelMismatchText, "FOO", kUnknownModelText), app, warning}}},
        // A bare hex file fits only an instrument in its bootloader.
        {"a bare hex file for an application",
         {},
         "AB_1234.hex",
         HexFile(2),
         {{Format(kModelMismatchText, kUnknownModelText, "TRV8844"), app, warning}}},
        {"version reply of one field",
         Model("TRV8844", "1.23"),
         "fw.upg",
         "TARGET,TRV88,1,gteq\nLOAD,0,main.hex\n",
         {{kVersionUnreadableText, app, warning}}},
        {"version condition fails",
         {},
         "fw.upg",
         "TARGET,TRV88,100,gteq\nLOAD,0,main.hex\n",
         {{kIncompatibleText, app, info}}},
        {"unknown comparison word",
         {},
         "fw.upg",
         "TARGET,TRV88,100,ge\nLOAD,0,main.hex\n",
         {{kNoTargetText, app, warning}}},
        {"warning answered Cancel",
         {},
         "fw.upg",
         "TARGET,TRV88,1,gteq\nWARNING,careful\nLOAD,0,main.hex\n",
         {{"careful", kFirmwareWarningTitle, warning}}},
        {"fifty entries",
         {},
         "fw.upg",
         "TARGET,TRV88,1,gteq\n" + fifty,
         {{Format(kTooManyLoadLinesText, 50, 49), title, info}}},
        {"every file for other serial numbers",
         {},
         "fw.upg",
         "TARGET,TRV88,1,gteq\nSERIAL,1,20000,0\nLOAD,0,main.hex\n",
         {{Format(kNothingAppliesText, 10234), title, info}}},
        {"three targets",
         {},
         "fw.upg",
         "TARGET,TRV88,9,gt\nLOAD,0,main.hex\nTARGET,TRV88,5,gt\nLOAD,0,main.hex\n"
         "TARGET,TRV88,1,gt\nLOAD,0,main.hex\n",
         {{kTooManyTargetsText, title, info}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FlowBench bench(row.config);
        bench.Connect();
        bench.boxes.answers = {ui::MessageAnswer::Cancel};  // to the warning
        EXPECT_FALSE(bench.Run(row.file, row.content));
        EXPECT_EQ(bench.Shown(), row.shown);
        EXPECT_TRUE(bench.dialogs.filesLists.empty());
        EXPECT_TRUE(bench.dialogs.views.empty());
        EXPECT_TRUE(bench.sim.events().empty()) << "the bootloader was never entered";
        EXPECT_TRUE(bench.sim.record.pollReplies && bench.sim.record.instrumentReady);
        EXPECT_EQ(bench.cursor.depth, 0);
    }
}

// Accept is offered only for a plan without a fault; the fake presses it
// anyway, and it does not get through.
TEST(UpgradeFlow, TheFilesListOffersAcceptOnlyForASoundPlan) {
    sim::InstrumentConfig bootcode;
    bootcode.bootcode = true;
    struct Row {
        const char* name;
        sim::InstrumentConfig config;
        std::string file, content;
        bool acceptEnabled;
    } const rows[] = {
        {"a bare hex file with its companions, in the bootloader", bootcode, "AB_1234.hex",
         HexFile(2), true},
        {"a missing file",
         {},
         "fw.upg",
         "TARGET,TRV88\nLOAD,0,main.hex\nLOAD,1,absent.hex\n",
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FlowBench bench(row.config);
        bench.dir.Write("DSP_1234.hex", HexFile(1));
        bench.dir.Write("FPG_1234.hex", HexFile(1));
        bench.Connect();
        bench.dialogs.filesListAnswer =
            row.acceptEnabled ? ui::kFilesListCancelId : ui::kFilesListAcceptId;
        EXPECT_FALSE(bench.Run(row.file, row.content));
        EXPECT_TRUE(bench.boxes.shown.empty());
        ASSERT_EQ(bench.dialogs.filesLists.size(), 1u);
        EXPECT_EQ(bench.dialogs.filesLists[0].acceptEnabled, row.acceptEnabled);
        EXPECT_TRUE(bench.dialogs.views.empty());
    }
}

TEST(UpgradeFlow, WithoutAnInstrumentItAsksAndIdentifiesOnceMore) {
    const Shown question{kNoInstrumentQuestion, ui::kAppName, ui::MessageIcon::Question};
    {
        SCOPED_TRACE("no interface chosen; Yes");
        FlowBench bench;
        bench.sim.record.interfaceKind = transport::InterfaceKind::None;
        uint32_t start = bench.sim.clock.TickCount();
        EXPECT_FALSE(bench.Run("fw.upg", "TARGET,TRV88\nLOAD,0,main.hex\n"));
        EXPECT_EQ(
            bench.Shown(),
            (Messages{question,
                      {kNoLoadLinesText, kUpgradeFirmwareTitle, ui::MessageIcon::Information}}));
        EXPECT_EQ(bench.boxes.shown[0].buttons, ui::MessageButtons::YesNo);
        EXPECT_GE(bench.sim.clock.TickCount() - start, kReconnectPauseMs);
        EXPECT_FALSE(bench.sim.record.pollReplies);
    }
    {
        SCOPED_TRACE("an instrument that was not ready; No");
        FlowBench bench;
        bench.boxes.answers = {ui::MessageAnswer::No};
        EXPECT_FALSE(bench.Run("fw.upg", "TARGET,TRV88\nLOAD,0,main.hex\n"));
        EXPECT_EQ(bench.Shown(), Messages{question});
        EXPECT_EQ(bench.sim.engine().counters().connections, 1u);
        EXPECT_EQ(bench.sim.engine().counters().identificationQueries, 1u);
        EXPECT_TRUE(bench.sim.record.instrumentReady) << "left freshly identified";
    }
    {
        SCOPED_TRACE("a silent instrument; No");
        sim::InstrumentConfig silent;
        silent.silent = true;
        FlowBench bench(silent);
        bench.boxes.answers = {ui::MessageAnswer::No};
        EXPECT_FALSE(bench.Run("fw.upg", "TARGET,TRV88\nLOAD,0,main.hex\n"));
        EXPECT_EQ(bench.Shown(), Messages{question});
        EXPECT_FALSE(bench.sim.record.channelOpen)
            << "the port is not held for an instrument that did not answer";
    }
    {
        SCOPED_TRACE("an instrument that was not ready; Yes: found by the second identification");
        FlowBench bench;
        bench.dialogs.filesListAnswer = ui::kFilesListCancelId;
        EXPECT_FALSE(bench.Run("fw.upg", "TARGET,TRV88\nLOAD,0,main.hex\n"));
        EXPECT_EQ(bench.Shown(), Messages{question}) << "its own model fits";
        EXPECT_EQ(bench.dialogs.filesLists.size(), 1u);
    }
}

}  // namespace
}  // namespace orvane::firmware
