#include "firmware/upgrade_descriptor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "firmware/firmware_texts.h"
#include "firmware/hex_load_plan.h"
#include "support/fake_ui.h"
#include "upgrade_test_bench.h"

namespace orvane::firmware {
namespace {

using namespace std::string_literals;
using testing::HexFile;
using testing::TempFolder;

struct Parsed {
    int32_t result = 0;
    std::unique_ptr<LoadPlan> plan = std::make_unique<LoadPlan>();
    UpgradeContext context{};
    bool planError = false;

    const LoadEntry& entry(int i, int slot = 0) const { return plan->slots[slot][i]; }
    const TargetRule& rule(int slot) const { return context.targets[slot]; }
};

class Descriptor : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_.Write("main.hex", HexFile(2));
        folder_.Write("dsp.hex", HexFile(3));
    }
    Parsed ParseAt(const std::string& path, int32_t maxEntries = 50) {
        Parsed p;
        p.result = ParseUpgradeDescriptor(path, *p.plan, maxEntries, p.context, p.planError);
        return p;
    }
    Parsed Parse(const std::string& text, int32_t maxEntries = 50) {
        return ParseAt(folder_.Write("fw.upg", text), maxEntries);
    }
    TempFolder folder_;
};

TEST_F(Descriptor, TargetAndWarningLinesSetTheRule) {
    auto warned =
        Parse("WARNING,Do not switch off, wait\nWARNING without comma\nLOAD,0,main.hex\n");
    EXPECT_EQ(warned.rule(0).warning, "Do not switch off, wait");
    struct Case {
        const char* line;
        const char* model;
        int32_t value;
        VersionTest test;
    } const cases[] = {
        {"", "", 0, VersionTest::Any},
        {"TARGET,TRV88", "TRV88", 0, VersionTest::Any},
        {"TARGET, TRV 88 ,100, GtEq", "TRV88", 100, VersionTest::GtEq},
        {"target,TRV88,\t-5 ,LT,ignored", "TRV88", -5, VersionTest::Lt},
        {"TARGET,TRV88,100", "", 0, VersionTest::Unusable},
        {"Target,TRV88,1,gt", "", 0, VersionTest::Any},   // mixed case is no keyword
        {"target,TARGET,1,gt", "", 0, VersionTest::Any},  // upper case found elsewhere
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        auto p = Parse(std::string(c.line) + "\nLOAD,0,main.hex\n");
        EXPECT_EQ(p.context.targetModel, c.model);
        EXPECT_EQ(p.rule(0).versionValue, c.value);
        EXPECT_EQ(p.rule(0).versionTest, c.test);
    }
}

TEST_F(Descriptor, FurtherTargetsOpenSlotOneRewriteSlotZeroOrAreRefused) {
    auto two = Parse(
        "TARGET,TRV88,100,lt\nWARNING,old\nLOAD,0,main.hex\nLOAD,2,dsp.hex\n"
        "TARGET,TRV89,100,gteq\nWARNING,new\nLOAD,1,dsp.hex\n");
    EXPECT_EQ(two.result, 1);
    EXPECT_EQ(two.context.targetModel, "TRV89");
    EXPECT_EQ(two.rule(0).warning, "old");
    EXPECT_EQ(two.rule(1).versionTest, VersionTest::GtEq);
    EXPECT_EQ(two.rule(1).warning, "new");
    EXPECT_EQ(two.entry(0, 1).sector, 1);

    // Slot 0's first file is missing: the second rule replaces slot 0's.
    auto rewrite = Parse("TARGET,A,100,lt\nLOAD,0,gone.hex\nTARGET,A,200,gt\nLOAD,1,main.hex\n");
    EXPECT_EQ(rewrite.result, 2);
    EXPECT_EQ(rewrite.rule(0).versionValue, 200);

    const std::string twoTargets =
        "TARGET,A,1,eq\nLOAD,0,main.hex\nTARGET,A,2,eq\nLOAD,0,main.hex\n";
    auto third = Parse(twoTargets + "TARGET,A,3,eq\nLOAD,0,main.hex\n");
    EXPECT_EQ(third.result, kDescriptorRefused);
    EXPECT_TRUE(third.planError);
    EXPECT_EQ(third.rule(1).versionValue, 2);
    auto modelOnly = Parse(twoTargets + "TARGET,B\nLOAD,1,main.hex\n");
    EXPECT_EQ(modelOnly.result, 2);
    EXPECT_FALSE(modelOnly.planError);
}

// A SERIAL line covers the next one to nine LOAD or OVER lines.
TEST_F(Descriptor, SerialRulesCoverTheNextEntries) {
    struct Row {
        const char* line;
        int32_t low, high;
        int covered;  // of the three entries that follow
    } const rows[] = {
        {"SERIAL,2,100,199", 100, 199, 2}, {"SERIAL,9,100,199", 100, 199, 3},
        {"SERIAL,1,12000,0", 12000, 0, 1},  // no upper bound
        {"SERIAL,10,1,2", 0, 0, 0},        {"SERIAL,1,-1,2", 0, 0, 0},
        {"SERIAL,1,5", 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        auto p =
            Parse(std::string(row.line) + "\nLOAD,0,main.hex\nOVER,1,main.hex\nLOAD,2,main.hex\n");
        ASSERT_EQ(p.result, 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(p.entry(i).serialLow, i < row.covered ? row.low : 0) << i;
            EXPECT_EQ(p.entry(i).serialHigh, i < row.covered ? row.high : 0) << i;
        }
    }
}

TEST_F(Descriptor, LoadLinesAndTheSectorRangeOfTheModelInForce) {
    auto p = Parse(
        "LOAD, 3,\tmain.hex\r\nLOAD,3\nLOAD,3,\nLOAD,3,  \t\nload,1,LOADER.HEX\n"
        "OVER,4,main.hex  \t\nLOAD,5,sub\\deep.hex\nLOAD,7,missing.hex\n");
    ASSERT_EQ(p.result, 4);
    EXPECT_FALSE(p.planError);
    EXPECT_EQ(p.entry(0).sector, 3);
    EXPECT_EQ(p.entry(0).path, folder_ / "main.hex");
    EXPECT_EQ(p.entry(0).facts.size, HexFile(2).size());
    EXPECT_TRUE(p.entry(1).noErase);
    EXPECT_TRUE(p.entry(1).present);  // trailing blanks are not part of the name
    EXPECT_EQ(p.entry(2).path, folder_ / "sub/deep.hex");
    EXPECT_FALSE(p.entry(3).present);
    EXPECT_EQ(p.entry(3).facts.name, "missing.hex");

    struct Row {
        const char* text;
        int32_t result;
        bool planError;
    } const rows[] = {
        {"LOAD,8,main.hex\n", 1, true},  // sectors 0 to 7 without a model
        {"TARGET,ZDA72,1,gt\nLOAD,9,main.hex\n", 1, true},
        {"TARGET,TRV28xx,1,gt\nLOAD,9,main.hex\n", 1, false},
        {"LOAD,9,main.hex\nTARGET,TRV28xx\n", 1, true},
        {"LOAD,99\n", 0, true},
        {"LOAD,x,main.hex\n", 1, true},  // no digits is no sector
        {"LOAD,4294967296,main.hex\n", 1, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        auto r = Parse(row.text);
        EXPECT_EQ(r.result, row.result);
        EXPECT_EQ(r.planError, row.planError);
    }
}

TEST_F(Descriptor, FileFieldsFindTheFileThatWillBeSent) {
    folder_.Write("up/main_v2.hex", HexFile(1));
    folder_.Write("up/main_v3.hex", HexFile(1));
    folder_.Write("fw [old]/a[1].hex", HexFile(1));

    // The path becomes the match, so the worker opens what the preview showed.
    auto climb = ParseAt(folder_.Write("up/fw.upg", "LOAD,0,main_v?.hex\nLOAD,1,../dsp.hex\n"));
    ASSERT_EQ(climb.result, 2);
    EXPECT_EQ(climb.entry(0).path, folder_ / "up/main_v2.hex");
    EXPECT_EQ(climb.entry(0).facts.name, "main_v2.hex");
    EXPECT_TRUE(climb.entry(1).present);
    EXPECT_EQ(climb.entry(1).facts.name, "../dsp.hex");

    EXPECT_TRUE(ParseAt(folder_.Write("fw [old]/fw.upg", "LOAD,1,a[1].hex\n")).entry(0).present);

    std::string deep = folder_.Folder(std::string(120, 'd') + "/" + std::string(120, 'e'));
    auto tooLong = Parse("LOAD,0," + deep.substr(folder_.path().size() + 1) + "/main.hex\n");
    EXPECT_TRUE(tooLong.entry(0).pathTooLong && !tooLong.entry(0).present);
}

TEST_F(Descriptor, FileNamesMatchWhateverTheirLetterCase) {
    for (const char* name : {"dsp_1234.hex", "Boot.hex", "BOOT.hex", "bOOT.hex", "sub/Deep.hex"}) {
        folder_.Write(name, HexFile(1));
    }
    // One LOAD line per case: the file field, then what it finds ("" for nothing).
    const std::pair<std::string, std::string> cases[] = {
        {"main.hex", "main.hex"},
        {"DSP_1234.hex", "dsp_1234.hex"},
        {"boot.hex", "BOOT.hex"},  // several case variants: the first in name order
        {"Boot.hex", "Boot.hex"},  // but the exact name before any variant
        {"DSP_*.HEX", "dsp_1234.hex"},
        {"sub\\DEEP.HEX", "sub/Deep.hex"},
        {"none.hex", ""},
    };
    std::string text;
    for (const auto& [field, found] : cases) text += "LOAD,1," + field + "\n";
    auto p = Parse(text);
    ASSERT_EQ(p.result, static_cast<int32_t>(std::size(cases)));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& [field, found] = cases[i];
        SCOPED_TRACE(field);
        EXPECT_EQ(p.entry(i).present, !found.empty());
        EXPECT_EQ(p.entry(i).facts.name, found.empty() ? field : found);
        EXPECT_EQ(p.entry(i).path, folder_ / (found.empty() ? field : found));
    }
}

TEST_F(Descriptor, AnyInputEndsWithTheDocumentedResult) {
    // The rest of a line past 259 characters is read as a line of its own.
    auto pieces = Parse("WARNING," + std::string(251, 'w') + "LOAD,2,main.hex\n");
    EXPECT_EQ(pieces.rule(0).warning.size(), 251u);
    EXPECT_EQ(pieces.result, 1);

    std::string many;
    for (int i = 0; i < 10000; ++i) many += "LOAD,1,main.hex\n";
    EXPECT_EQ(Parse(many).result, 50);
    EXPECT_EQ(Parse(many, 500).result, 50);  // never beyond the slot

    // Nothing may hold the upgrade for ever: a FIFO without a writer, endless zero bytes.
    const std::string fifo = folder_ / "fifo.upg", zero = folder_ / "zero.upg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600) | ::symlink("/dev/zero", zero.c_str()), 0);
    for (const std::string& path : {folder_ / "none.upg", folder_.Folder("dir.upg"), fifo, zero})
        EXPECT_EQ(ParseAt(path).result, 0) << path;
    EXPECT_EQ(Parse(std::string(10 << 20, 'x') + "\nLOAD,1,main.hex\n").result, 1);

    auto zeros = Parse("\0LOAD,1,main.hex\nLOAD\0,1,main.hex\nLOAD,1,ma\0in.hex\n"s);
    ASSERT_EQ(zeros.result, 1);  // a zero byte ends a line's text
    EXPECT_EQ(zeros.entry(0).facts.name, "ma");
}

// A bare hex file chosen in place of a descriptor.
class HexPlan : public Descriptor {
  protected:
    int32_t Build(const std::string& mainPath) {
        plan_ = std::make_unique<LoadPlan>();
        planError_ = false;
        return BuildHexLoadPlan(boxes_, mainPath, *plan_, planError_);
    }
    const LoadEntry& entry(int i) const { return plan_->slots[0][i]; }

    orvane::testing::FakeMessageBoxes boxes_;
    std::unique_ptr<LoadPlan> plan_;
    bool planError_ = false;
};

TEST_F(HexPlan, MainFileBringsItsCompanionsOrMarksThemMissing) {
    std::string main = folder_.Write("AB_1234.hex", HexFile(1));
    folder_.Write("fpg_1234.hex", HexFile(3));  // packages mix letter case
    ASSERT_EQ(Build(main), 3);
    EXPECT_TRUE(planError_);
    const char* names[] = {"DSP_1234.hex", "fpg_1234.hex", "AB_1234.hex"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(entry(i).sector, 2 - i);
        EXPECT_EQ(entry(i).facts.name, names[i]);
        EXPECT_EQ(entry(i).path, folder_ / names[i]);
        EXPECT_EQ(entry(i).present, i > 0);
    }

    // A bare name looks for its companions beside itself, not at the root.
    folder_.Write("DSP_1234.hex", HexFile(2));
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(folder_.path().c_str()), 0);
    int32_t made = Build("AB_1234.hex");
    ASSERT_EQ(::chdir(previous), 0);
    EXPECT_EQ(made, 3);
    EXPECT_FALSE(planError_);
    EXPECT_TRUE(boxes_.shown.empty());
}

// Codes of instruments without an FPGA, in any letter case, take only the
// DSP file; a name outside the rule is refused.
TEST_F(HexPlan, TheMainFileNameDecidesTheCompanions) {
    folder_.Write("DSP_77.hex", HexFile(1));
    for (std::string_view prefix : kNoFpgaPrefixes) {
        std::string mixed{static_cast<char>(prefix[0] | 0x20), prefix[1]};
        for (const std::string& code : {std::string(prefix), mixed}) {
            EXPECT_EQ(Build(folder_.Write(code + "_77.hex", HexFile(1))), 2) << code;
            EXPECT_FALSE(planError_);
        }
    }
    EXPECT_EQ(Build(folder_ / "A1_x.hex"), 3);
    for (const char* name : {"1A_x.hex", "A_x.hex", "AB-x.hex", ""}) {
        boxes_.shown.clear();
        EXPECT_EQ(Build(folder_ / name), -1) << name;
        EXPECT_EQ(boxes_.Texts(), std::vector<std::string>{kChooseMainHexFileText});
    }
}

}  // namespace
}  // namespace orvane::firmware
