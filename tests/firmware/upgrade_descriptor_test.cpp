#include "firmware/upgrade_descriptor.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "firmware_test_files.h"

namespace orvane::firmware {
namespace {

using testing::HexFile;
using testing::TempFolder;

struct Parsed {
    int32_t result = 0;
    std::unique_ptr<LoadPlan> plan = std::make_unique<LoadPlan>();
    UpgradeContext context{};
    bool planError = false;

    const LoadEntry& entry(int slot, int i) const { return plan->slots[slot][i]; }
    const TargetRule& rule(int slot) const { return context.targets[slot]; }
};

Parsed ParseText(const TempFolder& folder, const std::string& text, int32_t maxEntries = 50) {
    Parsed p;
    std::string path = folder.Write("fw.upg", text);
    p.result = ParseUpgradeDescriptor(path, *p.plan, maxEntries, p.context, p.planError);
    return p;
}

class Descriptor : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_.Write("main.hex", HexFile(2));
        folder_.Write("dsp.hex", HexFile(3));
    }
    Parsed Parse(const std::string& text, int32_t maxEntries = 50) {
        return ParseText(folder_, text, maxEntries);
    }
    TempFolder folder_;
};

TEST_F(Descriptor, LoadWithoutTargetFillsSlotZeroWithNoVersionCondition) {
    auto p = Parse("LOAD,0,main.hex\r\nLOAD,7,missing.hex\n");
    EXPECT_EQ(p.result, 2);
    EXPECT_EQ(p.plan->entryCount[0], 2);
    EXPECT_EQ(p.rule(0).versionTest, VersionTest::Any);
    EXPECT_EQ(p.rule(1).versionTest, VersionTest::Any);
    EXPECT_TRUE(p.context.targetModel.empty());
    EXPECT_FALSE(p.planError);  // sector 7 is the highest without a target model

    const LoadEntry& found = p.entry(0, 0);
    EXPECT_TRUE(found.present);
    EXPECT_EQ(found.path, folder_.path() + "main.hex");
    EXPECT_EQ(found.facts.name, "main.hex");
    EXPECT_EQ(found.facts.size, HexFile(2).size());
    EXPECT_GT(found.facts.lastWriteTime, 86400);
    EXPECT_FALSE(found.noErase);

    const LoadEntry& missing = p.entry(0, 1);
    EXPECT_FALSE(missing.present);
    EXPECT_EQ(missing.sector, 7);
    EXPECT_EQ(missing.facts.name, "missing.hex");
    EXPECT_EQ(missing.facts.lastWriteTime, 0);

    EXPECT_TRUE(Parse("LOAD,8,main.hex\n").planError);
}

TEST_F(Descriptor, TargetLinesSetModelAndVersionRule) {
    struct Case {
        const char* line;
        const char* model;
        int32_t value;
        VersionTest test;
    };
    const Case cases[] = {
        {"TARGET,TRV88", "TRV88", 0, VersionTest::Any},
        {"TARGET, TRV 88 ,100, GtEq", "TRV88", 100, VersionTest::GtEq},
        {"TARGET,TRV88,\t-5 ,LT,ignored", "TRV88", -5, VersionTest::Lt},
        {"target,TRV88,7,eq", "TRV88", 7, VersionTest::Eq},
        {"TARGET,TRV88,abc,lteq", "TRV88", 0, VersionTest::LtEq},
        {"TARGET,TRV88,100", "", 0, VersionTest::Unusable},
        {"TARGET,TRV88,100,ge", "TRV88", 100, VersionTest::Unusable},
        {"TARGET", "", 0, VersionTest::Unusable},
        {"TARGET,ABCDEFGHIJKLMNOPQRSTUVWXYZ,1,gt", "ABCDEFGHIJKLMNOPQRST", 1, VersionTest::Gt},
        // Mixed case is no keyword, and "TARGET" elsewhere hides "target".
        {"Target,TRV88,1,gt", "", 0, VersionTest::Any},
        {"target,TARGET,1,gt", "", 0, VersionTest::Any},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        auto p = Parse(std::string(c.line) + "\nLOAD,0,main.hex\n");
        EXPECT_EQ(p.context.targetModel, c.model);
        EXPECT_EQ(p.rule(0).versionValue, c.value);
        EXPECT_EQ(p.rule(0).versionTest, c.test);
        EXPECT_EQ(p.result, 1);
    }
}

TEST_F(Descriptor, SecondTargetOpensSlotOneOnlyAfterAFoundFirstFile) {
    auto two = Parse(
        "TARGET,TRV88,100,lt\nWARNING,old\nLOAD,0,main.hex\nLOAD,2,dsp.hex\n"
        "TARGET,TRV89,100,gteq\nWARNING,new\nLOAD,1,dsp.hex\n");
    EXPECT_EQ(two.result, 1);
    EXPECT_EQ(two.plan->entryCount[0], 2);
    EXPECT_EQ(two.plan->entryCount[1], 1);
    EXPECT_EQ(two.context.targetModel, "TRV89");
    EXPECT_EQ(two.rule(0).versionTest, VersionTest::Lt);
    EXPECT_EQ(two.rule(0).warning, "old");
    EXPECT_EQ(two.rule(1).versionTest, VersionTest::GtEq);
    EXPECT_EQ(two.rule(1).warning, "new");
    EXPECT_EQ(two.entry(1, 0).sector, 1);

    // The first file of slot 0 is missing: the second rule rewrites slot 0.
    auto rewrite =
        Parse("TARGET,TRV88,100,lt\nLOAD,0,gone.hex\nTARGET,TRV88,200,gt\nLOAD,1,main.hex\n");
    EXPECT_EQ(rewrite.result, 2);
    EXPECT_EQ(rewrite.rule(0).versionValue, 200);
    EXPECT_EQ(rewrite.rule(0).versionTest, VersionTest::Gt);
    EXPECT_EQ(rewrite.plan->entryCount[1], 0);

    auto emptyLast = Parse("TARGET,TRV88,1,gt\nLOAD,0,main.hex\nTARGET,TRV88,2,gt\n");
    EXPECT_EQ(emptyLast.result, 0);
    EXPECT_EQ(emptyLast.plan->entryCount[0], 1);
}

TEST_F(Descriptor, ThirdTargetIsRefusedAndBlocksThePlan) {
    auto p = Parse(
        "TARGET,TRV88,1,eq\nLOAD,0,main.hex\nTARGET,TRV88,2,eq\nLOAD,0,main.hex\n"
        "TARGET,TRV88,3,eq\nLOAD,0,main.hex\n");
    EXPECT_EQ(p.result, kDescriptorRefused);
    EXPECT_TRUE(p.planError);
    EXPECT_EQ(p.rule(1).versionValue, 2);  // the third rule was not taken

    // A third TARGET line with only a model is no third target.
    auto model = Parse(
        "TARGET,TRV88,1,eq\nLOAD,0,main.hex\nTARGET,TRV88,2,eq\nLOAD,0,main.hex\n"
        "TARGET,TRV99\nLOAD,1,main.hex\n");
    EXPECT_EQ(model.result, 2);
    EXPECT_FALSE(model.planError);
}

TEST_F(Descriptor, WarningAndSerialRules) {
    auto p = Parse(
        "WARNING,Do not switch off, wait\nWARNING without comma\n"
        "SERIAL,2,100,199\nLOAD,0,main.hex\nOVER,1,main.hex\nLOAD,2,main.hex\n"
        "SERIAL,10,1,2\nLOAD,3,main.hex\nSerial,1,1,2\nLOAD,4,main.hex\n"
        "SERIAL,1,-1,2\nLOAD,5,main.hex\nSERIAL,1,5\nLOAD,6,main.hex\n"
        "SERIAL,1,12000,0\nLOAD,7,main.hex\n");
    EXPECT_EQ(p.rule(0).warning, "Do not switch off, wait");
    ASSERT_EQ(p.result, 8);
    const int32_t low[] = {100, 100, 0, 0, 0, 0, 0, 12000};
    const int32_t high[] = {199, 199, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(p.entry(0, i).serialLow, low[i]);
        EXPECT_EQ(p.entry(0, i).serialHigh, high[i]);
        EXPECT_EQ(p.entry(0, i).noErase, i == 1);
    }
}

TEST_F(Descriptor, MaxSectorFollowsTheTargetModel) {
    EXPECT_EQ(MaxSector("TRV28xx"), 15);
    EXPECT_EQ(MaxSector("BRQ1"), 15);
    EXPECT_EQ(MaxSector("QMT"), 15);
    EXPECT_EQ(MaxSector("VRN9"), 15);
    EXPECT_EQ(MaxSector("ZDA72"), 8);
    EXPECT_EQ(MaxSector("TRV88"), 7);
    EXPECT_EQ(MaxSector("zda72"), 7);
    EXPECT_EQ(MaxSector(""), 7);

    EXPECT_TRUE(Parse("TARGET,ZDA72,1,gt\nLOAD,9,main.hex\n").planError);
    EXPECT_FALSE(Parse("TARGET,TRV28xx,1,gt\nLOAD,9,main.hex\n").planError);
    // The model in force when the line is read decides.
    EXPECT_TRUE(Parse("LOAD,9,main.hex\nTARGET,TRV28xx\n").planError);
}

TEST_F(Descriptor, LoadLineFields) {
    auto p = Parse(
        "LOAD, 3,\tmain.hex\n"
        "LOAD,3\nLOAD,3,\nLOAD,3,  \t\n"
        "load,1,LOADER.HEX\n"
        "OVER,4,main.hex  \t\n"
        "LOAD,5,sub\\deep.hex\n");
    ASSERT_EQ(p.result, 3);
    EXPECT_FALSE(p.planError);
    EXPECT_EQ(p.entry(0, 0).sector, 3);
    EXPECT_TRUE(p.entry(0, 0).present);
    EXPECT_EQ(p.entry(0, 1).sector, 4);
    EXPECT_TRUE(p.entry(0, 1).noErase);
    EXPECT_TRUE(p.entry(0, 1).present);  // trailing blanks are not part of the name
    EXPECT_EQ(p.entry(0, 2).path, folder_.path() + "sub/deep.hex");
    EXPECT_EQ(p.entry(0, 2).facts.name, "sub/deep.hex");

    auto range = Parse("LOAD,99\n");
    EXPECT_EQ(range.result, 0);
    EXPECT_TRUE(range.planError);

    // No digits is no sector, never sector 0.
    auto noDigits = Parse("LOAD,x,main.hex\n");
    EXPECT_EQ(noDigits.result, 1);
    EXPECT_EQ(noDigits.entry(0, 0).sector, -1);
    EXPECT_TRUE(noDigits.planError);
    auto huge = Parse("LOAD,4294967296,main.hex\n");
    EXPECT_EQ(huge.entry(0, 0).sector, 2147483647);
    EXPECT_TRUE(huge.planError);
}

TEST_F(Descriptor, FileFieldsFindTheFileThatWillBeSent) {
    folder_.Write("up/main_v2.hex", HexFile(1));
    folder_.Write("up/main_v3.hex", HexFile(1));
    folder_.Write("fw [old]/main.hex", HexFile(1));
    folder_.Write("fw [old]/a[1].hex", HexFile(1));

    auto wildcard = Parse("LOAD,0,up/main_v*.hex\n");
    EXPECT_EQ(wildcard.entry(0, 0).path, folder_.path() + "up/main_v2.hex");
    EXPECT_EQ(wildcard.entry(0, 0).facts.name, "up/main_v2.hex");

    std::string sub = folder_.Write("up/fw.upg", "LOAD,0,main_v?.hex\nLOAD,1,../dsp.hex\n");
    Parsed climb;
    climb.result = ParseUpgradeDescriptor(sub, *climb.plan, 50, climb.context, climb.planError);
    ASSERT_EQ(climb.result, 2);
    EXPECT_EQ(climb.entry(0, 0).path, folder_.path() + "up/main_v2.hex");
    EXPECT_EQ(climb.entry(0, 0).facts.name, "main_v2.hex");
    EXPECT_EQ(climb.entry(0, 1).facts.name, "../dsp.hex");
    EXPECT_TRUE(climb.entry(0, 1).present);

    // Brackets are plain characters, in the folder and in the field.
    std::string odd = folder_.Write("fw [old]/fw.upg", "LOAD,0,main.hex\nLOAD,1,a[1].hex\n");
    Parsed brackets;
    brackets.result =
        ParseUpgradeDescriptor(odd, *brackets.plan, 50, brackets.context, brackets.planError);
    EXPECT_EQ(brackets.result, 2);
    EXPECT_TRUE(brackets.entry(0, 0).present);
    EXPECT_TRUE(brackets.entry(0, 1).present);

    // A path that does not fit is never looked up cut short.
    std::string deep = folder_.Folder(std::string(120, 'd') + "/" + std::string(120, 'e'));
    auto longPath = Parse("LOAD,0," + deep.substr(folder_.path().size()) + "/main.hex\n");
    EXPECT_EQ(longPath.result, 1);
    EXPECT_FALSE(longPath.entry(0, 0).present);
    EXPECT_TRUE(longPath.entry(0, 0).pathTooLong);
}

TEST_F(Descriptor, LongLinesAreReadInPieces) {
    // The rest of a line past 259 characters is a line of its own.
    auto p = Parse("WARNING," + std::string(251, 'w') + "LOAD,2,main.hex\n");
    EXPECT_EQ(p.rule(0).warning.size(), 251u);
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(p.entry(0, 0).sector, 2);
}

TEST_F(Descriptor, EntryLimitAndUnreadableInput) {
    std::string many;
    for (int i = 0; i < 10000; ++i) many += "LOAD,1,main.hex\n";
    EXPECT_EQ(Parse(many).result, 50);
    EXPECT_EQ(Parse(many, 49).result, 49);
    EXPECT_EQ(Parse(many, 500).result, 50);  // never beyond the slot
    EXPECT_EQ(Parse(many, 0).result, 0);
    EXPECT_EQ(Parse(many, -3).result, 0);

    Parsed missing;
    EXPECT_EQ(ParseUpgradeDescriptor(folder_.path() + "none.upg", *missing.plan, 50,
                                     missing.context, missing.planError),
              0);
    EXPECT_EQ(missing.rule(0).versionTest, VersionTest::Any);
    EXPECT_EQ(ParseUpgradeDescriptor(folder_.Folder("dir.upg"), *missing.plan, 50, missing.context,
                                     missing.planError),
              0);

    std::string binary;
    for (int i = 0; i < 20000; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
    using namespace std::string_literals;
    binary += "\0LOAD,1,main.hex\nLOAD\0,1,main.hex\nLOAD,1,ma\0in.hex\n"s;
    auto junk = Parse(binary);
    ASSERT_EQ(junk.result, 1);  // a zero byte ends a line's text
    EXPECT_EQ(junk.entry(0, 0).facts.name, "ma");
    EXPECT_FALSE(junk.entry(0, 0).present);

    auto hugeLine = Parse(std::string(10 * 1024 * 1024, 'x') + "\nLOAD,1,main.hex\n");
    EXPECT_EQ(hugeLine.result, 1);
}

}  // namespace
}  // namespace orvane::firmware
