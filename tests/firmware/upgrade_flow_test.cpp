#include "firmware/upgrade_flow.h"

#include <gtest/gtest.h>

#include "connection/connect_and_identify.h"
#include "firmware/firmware_texts.h"
#include "platform/text_format.h"
#include "support/fake_main_window.h"
#include "support/fake_upgrade_dialogs.h"
#include "ui/app_strings.h"
#include "upgrade_test_bench.h"

namespace orvane::firmware {
namespace {

using orvane::testing::FakeFileDialogs;
using orvane::testing::FakeMessageBoxes;
using orvane::testing::FakeUpgradeDialogs;
using orvane::testing::FakeWaitCursor;
using testing::HexFile;
using testing::SimBench;
using testing::TempFolder;

struct Shown {
    std::string text;
    std::string caption;
    ui::MessageIcon icon;
    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& s) {
    return out << "{" << s.text << " | " << s.caption << " | " << static_cast<int>(s.icon) << "}";
}

sim::InstrumentConfig Model(const std::string& model,
                            const std::string& version = std::string(sim::kDefaultVersion)) {
    sim::InstrumentConfig config;
    config.model = model;
    config.version = version;
    return config;
}

class FlowBench {
  public:
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
    }
    bool Run(const std::string& file, const std::string& content) {
        files.openAnswers.push_back(dir.Write(file, content));
        return RunFirmwareUpgrade({boxes, files, cursor, dialogs}, sim.record);
    }
    std::vector<Shown> Messages() const {
        std::vector<Shown> out;
        for (const auto& r : boxes.shown) out.push_back({r.text, r.caption, r.icon});
        return out;
    }

    SimBench sim;
    TempFolder dir;
    FakeMessageBoxes boxes;
    FakeFileDialogs files;
    FakeWaitCursor cursor;
    FakeUpgradeDialogs dialogs;
};

TEST(UpgradeFlow, CancellingTheFileChoiceChangesNothing) {
    FlowBench bench;
    bench.Connect();
    uint64_t received = bench.sim.engine().counters().bytesReceived;
    bench.files.openAnswers.push_back(std::nullopt);
    EXPECT_FALSE(RunFirmwareUpgrade({bench.boxes, bench.files, bench.cursor, bench.dialogs},
                                    bench.sim.record));
    EXPECT_TRUE(bench.sim.record.pollReplies);
    EXPECT_EQ(bench.sim.engine().counters().bytesReceived, received);
    EXPECT_TRUE(bench.boxes.shown.empty());

    ASSERT_EQ(bench.files.openRequests.size(), 1u);
    const ui::FileDialogRequest& r = bench.files.openRequests[0];
    EXPECT_EQ(r.title, kSelectFirmwareFileTitle);
    ASSERT_EQ(r.filters.size(), 2u);
    EXPECT_EQ(r.filters[0].name, kDescriptorFilterName);
    EXPECT_EQ(r.filters[0].pattern, kDescriptorFilterPattern);
    EXPECT_EQ(r.filters[1].name, kHexFilterName);
    EXPECT_EQ(r.filters[1].pattern, kHexFilterPattern);
    EXPECT_EQ(r.filterIndex, 1);
    EXPECT_TRUE(r.fileMustExist && r.pathMustExist && r.hideReadOnly);
}

TEST(UpgradeFlow, ChoosesTheSecondTargetAndUpgradesWithIt) {
    FlowBench bench;
    bench.dir.Write("new.hex", HexFile(6));
    bench.Connect();
    const std::string descriptor =
        "TARGET,TRV88,100,gteq\nWARNING,first target\nLOAD,0,main.hex\n"
        "TARGET,TRV88,2,gteq\nWARNING,Do not switch off, wait\nLOAD,1,new.hex\n";
    EXPECT_TRUE(bench.Run("fw.upg", descriptor));

    EXPECT_EQ(bench.Messages(),
              (std::vector<Shown>{
                  {"Do not switch off, wait", kFirmwareWarningTitle, ui::MessageIcon::Warning}}));
    EXPECT_EQ(bench.boxes.shown[0].buttons, ui::MessageButtons::OkCancel);
    ASSERT_EQ(bench.dialogs.filesLists.size(), 1u);
    EXPECT_NE(bench.dialogs.filesLists[0].rtf.find("new.hex"), std::string::npos);
    EXPECT_EQ(bench.dialogs.filesLists[0].rtf.find("main.hex"), std::string::npos);
    ASSERT_EQ(bench.dialogs.views.size(), 1u);
    EXPECT_EQ(bench.dialogs.views[0]->log.back(), kFirmwareSentLog);
    EXPECT_EQ(bench.sim.Image(1).size(), 96u);
    EXPECT_TRUE(bench.sim.Image(0).empty());
    // Identified twice more by the flow, then re-opened after the restart.
    EXPECT_EQ(bench.sim.engine().counters().connections, 4u);
    EXPECT_TRUE(bench.sim.record.channelOpen);
    EXPECT_TRUE(bench.sim.record.pollReplies);
    EXPECT_GT(bench.cursor.begins, 0);
    EXPECT_EQ(bench.cursor.depth, 0);
}

TEST(UpgradeFlow, RefusalsTellWhy) {
    const std::string app = ui::kAppName;
    const std::string mismatchUnknown =
        platform::Format(kModelMismatchText, kUnknownModelText, "TRV8844");
    const std::string mismatchGdmb = platform::Format(kModelMismatchText, "GDMB68", "TRV8844");
    std::string fifty;
    for (int i = 0; i < 50; ++i) fifty += "LOAD,0,main.hex\n";
    struct Case {
        const char* what;
        sim::InstrumentConfig config;
        std::string file;
        std::string descriptor;
        std::vector<ui::MessageAnswer> answers;
        std::vector<Shown> messages;
    };
    const Case cases[] = {
        {"LAN and an HLX model",
         Model("HLX4377"),
         "fw.upg",
         "TARGET,HLX43\nLOAD,0,main.hex\n",
         {},
         {{kLanHlxText, app, ui::MessageIcon::Information}}},
        {"wrong extension",
         {},
         "fw.txt",
         "LOAD,0,main.hex\n",
         {},
         {{kNoLoadLinesText, kUpgradeFirmwareTitle, ui::MessageIcon::Information}}},
        {"no target model",
         {},
         "fw.upg",
         "LOAD,0,main.hex\n",
         {},
         {{mismatchUnknown, app, ui::MessageIcon::Warning}}},
        {"another model",
         {},
         "fw.upx",
         "TARGET,GDMB68,0,gteq\nLOAD,0,main.hex\n",
         {},
         {{mismatchGdmb, app, ui::MessageIcon::Warning}}},
        {"two models the table does not know",
         Model("XYZ9"),
         "fw.upg",
         "TARGET,FOO\nLOAD,0,main.hex\n",
         {},
         {{platform::Format(kModelMismatchText, "FOO", kUnknownModelText), app,
           ui::MessageIcon::Warning}}},
        {"version reply of one field",
         Model("TRV8844", "1.23"),
         "fw.upg",
         "TARGET,TRV88,1,gteq\nLOAD,0,main.hex\n",
         {},
         {{kVersionUnreadableText, app, ui::MessageIcon::Warning}}},
        {"version condition fails",
         {},
         "fw.upg",
         "TARGET,TRV88,100,gteq\nLOAD,0,main.hex\n",
         {},
         {{kIncompatibleText, app, ui::MessageIcon::Information}}},
        {"unknown comparison word",
         {},
         "fw.upg",
         "TARGET,TRV88,100,ge\nLOAD,0,main.hex\n",
         {},
         {{kNoTargetText, app, ui::MessageIcon::Warning}}},
        {"warning answered Cancel",
         {},
         "fw.upg",
         "TARGET,TRV88,1,gteq\nWARNING,careful\nLOAD,0,main.hex\n",
         {ui::MessageAnswer::Cancel},
         {{"careful", kFirmwareWarningTitle, ui::MessageIcon::Warning}}},
        {"fifty entries",
         {},
         "fw.upg",
         "TARGET,TRV88,1,gteq\n" + fifty,
         {},
         {{platform::Format(kTooManyLoadLinesText, 50, 49), kUpgradeFirmwareTitle,
           ui::MessageIcon::Information}}},
        {"every file for other serial numbers",
         {},
         "fw.upg",
         "TARGET,TRV88,1,gteq\nSERIAL,1,20000,0\nLOAD,0,main.hex\n",
         {},
         {{platform::Format(kNothingAppliesText, 10234), kUpgradeFirmwareTitle,
           ui::MessageIcon::Information}}},
        {"three targets",
         {},
         "fw.upg",
         "TARGET,TRV88,9,gt\nLOAD,0,main.hex\nTARGET,TRV88,5,gt\nLOAD,0,main.hex\nTARGET,TRV88,1,"
         "gt\nLOAD,0,main.hex\n",
         {},
         {{kTooManyTargetsText, kUpgradeFirmwareTitle, ui::MessageIcon::Information}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FlowBench bench(c.config);
        bench.Connect();
        bench.boxes.shown.clear();
        bench.boxes.answers.assign(c.answers.begin(), c.answers.end());
        EXPECT_FALSE(bench.Run(c.file, c.descriptor));
        EXPECT_EQ(bench.Messages(), c.messages);
        EXPECT_TRUE(bench.dialogs.filesLists.empty());
        EXPECT_TRUE(bench.dialogs.views.empty());
        EXPECT_TRUE(bench.sim.events().empty()) << "the bootloader was never entered";
        EXPECT_TRUE(bench.sim.record.pollReplies);
        EXPECT_TRUE(bench.sim.record.instrumentReady);
        EXPECT_EQ(bench.cursor.depth, 0);
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
        EXPECT_EQ(bench.Messages(), (std::vector<Shown>{question,
                                                        {kNoLoadLinesText, kUpgradeFirmwareTitle,
                                                         ui::MessageIcon::Information}}));
        EXPECT_EQ(bench.boxes.shown[0].buttons, ui::MessageButtons::YesNo);
        EXPECT_GE(bench.sim.clock.TickCount() - start, kReconnectPauseMs);
        EXPECT_FALSE(bench.sim.record.pollReplies);
    }
    {
        SCOPED_TRACE("an instrument that was not ready; No");
        FlowBench bench;
        bench.boxes.answers = {ui::MessageAnswer::No};
        EXPECT_FALSE(bench.Run("fw.upg", "TARGET,TRV88\nLOAD,0,main.hex\n"));
        EXPECT_EQ(bench.Messages(), std::vector<Shown>{question});
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
        EXPECT_EQ(bench.Messages(), std::vector<Shown>{question});
        EXPECT_FALSE(bench.sim.record.channelOpen)
            << "the port is not held for an instrument that did not answer";
    }
    {
        SCOPED_TRACE("an instrument that was not ready; Yes: found by the second identification");
        FlowBench bench;
        bench.dialogs.filesListAnswer = ui::kFilesListCancelId;
        EXPECT_FALSE(bench.Run("fw.upg", "TARGET,TRV88\nLOAD,0,main.hex\n"));
        EXPECT_EQ(bench.Messages(), std::vector<Shown>{question}) << "its own model fits";
        EXPECT_EQ(bench.dialogs.filesLists.size(), 1u);
        EXPECT_TRUE(bench.dialogs.views.empty());
    }
}

TEST(UpgradeFlow, ABareHexFileFitsOnlyAnInstrumentInItsBootloader) {
    for (bool bootcode : {true, false}) {
        SCOPED_TRACE(bootcode ? "bootcode" : "application");
        sim::InstrumentConfig config;
        config.bootcode = bootcode;
        FlowBench bench(config);
        bench.dir.Write("DSP_1234.hex", HexFile(1));
        bench.dir.Write("FPG_1234.hex", HexFile(1));
        bench.dialogs.filesListAnswer = ui::kFilesListCancelId;
        bench.Connect();
        EXPECT_FALSE(bench.Run("AB_1234.hex", HexFile(2)));
        if (bootcode) {
            EXPECT_TRUE(bench.boxes.shown.empty());
            ASSERT_EQ(bench.dialogs.filesLists.size(), 1u);
            EXPECT_TRUE(bench.dialogs.filesLists[0].acceptEnabled);
        } else {
            EXPECT_EQ(bench.Messages(),
                      (std::vector<Shown>{
                          {platform::Format(kModelMismatchText, kUnknownModelText, "TRV8844"),
                           ui::kAppName, ui::MessageIcon::Warning}}));
        }
    }
}

TEST(UpgradeFlow, AMissingFileKeepsAcceptDisabled) {
    FlowBench bench;
    bench.Connect();
    EXPECT_FALSE(bench.Run("fw.upg", "TARGET,TRV88\nLOAD,0,main.hex\nLOAD,1,absent.hex\n"));
    ASSERT_EQ(bench.dialogs.filesLists.size(), 1u);
    EXPECT_FALSE(bench.dialogs.filesLists[0].acceptEnabled);
    EXPECT_TRUE(bench.dialogs.views.empty()) << "the fake presses Accept; it does not get through";
}

}  // namespace
}  // namespace orvane::firmware
