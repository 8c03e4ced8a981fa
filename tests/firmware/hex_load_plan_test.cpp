#include "firmware/hex_load_plan.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "firmware/firmware_texts.h"
#include "support/fake_ui.h"
#include "upgrade_test_bench.h"

namespace orvane::firmware {
namespace {

using testing::HexFile;

class HexPlan : public ::testing::Test {
  protected:
    int32_t Build(const std::string& mainPath) {
        plan_ = std::make_unique<LoadPlan>();
        planError_ = false;
        return BuildHexLoadPlan(boxes_, mainPath, *plan_, planError_);
    }
    const LoadEntry& entry(int i) const { return plan_->slots[0][i]; }

    testing::TempFolder folder_;
    orvane::testing::FakeMessageBoxes boxes_;
    std::unique_ptr<LoadPlan> plan_;
    bool planError_ = false;
};

TEST_F(HexPlan, MainFileBringsItsCompanionsOrMarksThemMissing) {
    std::string main = folder_.Write("AB_1234.hex", HexFile(1));
    folder_.Write("fpg_1234.hex", HexFile(3));  // packages mix letter case
    ASSERT_EQ(Build(main), 3);
    EXPECT_TRUE(planError_);
    const int sectors[] = {2, 1, 0};
    const char* names[] = {"DSP_1234.hex", "fpg_1234.hex", "AB_1234.hex"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(entry(i).sector, sectors[i]);
        EXPECT_EQ(entry(i).facts.name, names[i]);
        EXPECT_EQ(entry(i).path, folder_ / names[i]);
        EXPECT_EQ(entry(i).present, i > 0);
    }
    EXPECT_EQ(entry(1).facts.size, HexFile(3).size());

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

TEST_F(HexPlan, NoFpgaPrefixesInAnyCaseTakeOnlyTheDsp) {
    folder_.Write("DSP_77.hex", HexFile(1));
    for (std::string_view prefix : kNoFpgaPrefixes) {
        std::string lower{static_cast<char>(prefix[0] | 0x20), static_cast<char>(prefix[1] | 0x20)};
        for (const std::string& code :
             {std::string(prefix), lower, lower.substr(0, 1) + prefix[1]}) {
            ASSERT_EQ(Build(folder_.Write(code + "_77.hex", HexFile(1))), 2) << code;
            EXPECT_EQ(entry(0).sector, 2);
            EXPECT_EQ(entry(1).facts.name, code + "_77.hex");
            EXPECT_FALSE(planError_);
        }
    }
}

TEST_F(HexPlan, NamesOutsideTheRuleAreRefusedWithAMessage) {
    for (const char* name : {"1A_x.hex", "A_x.hex", "AB-x.hex", "A", ""}) {
        boxes_.shown.clear();
        EXPECT_EQ(Build(folder_ / name), -1) << name;
        EXPECT_EQ(boxes_.Texts(), std::vector<std::string>{kChooseMainHexFileText});
        EXPECT_EQ(boxes_.shown[0].caption, kUpgradeFirmwareTitle);
        EXPECT_EQ(plan_->entryCount[0], 0);
    }
    EXPECT_EQ(Build(folder_ / "A1_x.hex"), 3);
}

}  // namespace
}  // namespace orvane::firmware
