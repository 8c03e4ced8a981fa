#include "firmware/plan_preview.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <ctime>
#include <memory>
#include <string>

#include "firmware/hex_check.h"
#include "firmware/rtf_reader.h"
#include "firmware/upgrade_descriptor.h"
#include "firmware_test_files.h"

namespace orvane::firmware {
namespace {

using testing::HexFile;
using testing::HexRecord;
using testing::TempFolder;

constexpr int64_t kMarch2021 = 1615000000;     // 06/03/21 03:06 UTC
constexpr int64_t kNovember2023 = 1700000000;  // 14/11/23 22:13 UTC

constexpr char kHead[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang2057{\\fonttbl{\\f0\\fswiss\\fcharset0 Courier "
    "New;}}{\\colortbl ;\\red0\\green0\\blue0;\\red0\\green192\\blue0;\\red255\\green0\\blue0;"
    "\\red127\\green127\\blue127;}\\deftab1000\\viewkind4\\uc1\\ul\\pard\\cf4\\b\\f0\\fs20 "
    "Proposed "
    "Operation\\par\\fs20\\ulnone\\b0\\par";
constexpr char kProgramHeading[] =
    "\\par\\cf0\\par\\cf4 Program Sectors with the following code:\\par\\cf0\\par\\cf4 File Sector "
    "Filename            Date & Time     Size\\par";

// File times show in local time; the expected texts are for UTC.
class Preview : public ::testing::Test {
  protected:
    void SetUp() override { SetZone("UTC0"); }
    void TearDown() override {
        if (saved_) {
            ::setenv("TZ", saved_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    void SetZone(const char* zone) {
        if (!zoneSet_) {
            const char* tz = ::getenv("TZ");
            if (tz) saved_ = tz;
            zoneSet_ = true;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }

    // The plan of the descriptor below, with file times fixed for the test.
    std::span<LoadEntry> DescriptorPlan() {
        folder_.Write("Main.hex", HexFile(2));
        folder_.Write("dsp.hex", HexFile(3));
        folder_.Write("Firmware_Image_Long12.hex", HexFile(1));
        folder_.Write("boot.hex", HexFile(4));
        std::string path = folder_.Write("fw.upx",
                                         "TARGET,TRV88,100,gteq\r\n"
                                         "LOAD,0,Main.hex\r\n"
                                         "LOAD,3,dsp.hex\r\n"
                                         "OVER,3,Firmware_Image_Long12.hex\r\n"
                                         "SERIAL,1,100,199\r\n"
                                         "LOAD,5,old.hex\r\n"
                                         "SERIAL,1,12000,0\r\n"
                                         "LOAD,6,boot.hex\r\n"
                                         "LOAD,7,gone.hex\r\n");
        int32_t count = ParseUpgradeDescriptor(path, *plan_, 50, context_, planError_);
        EXPECT_EQ(count, 6);
        EXPECT_FALSE(planError_);
        auto entries = std::span(plan_->slots[0]).first(static_cast<std::size_t>(count));
        entries[0].facts.lastWriteTime = kMarch2021;
        entries[1].facts.lastWriteTime = kNovember2023;
        entries[2].facts.lastWriteTime = kMarch2021;
        entries[4].facts.lastWriteTime = 0;
        return entries;
    }

    LoadEntry HandEntry(const std::string& name, const std::string& content, int32_t sector) {
        LoadEntry e;
        e.path = folder_.Write(name, content);
        e.facts.name = name;
        e.facts.size = content.size();
        e.facts.lastWriteTime = kMarch2021;
        e.sector = sector;
        e.present = true;
        return e;
    }

    std::string Build(std::span<LoadEntry> entries, std::string_view identity,
                      std::string_view model) {
        auto text = BuildPlanPreview(entries, identity, model, planError_);
        EXPECT_TRUE(text.has_value());
        return text.value_or("");
    }

    TempFolder folder_;
    std::unique_ptr<LoadPlan> plan_ = std::make_unique<LoadPlan>();
    UpgradeContext context_{};
    bool planError_ = false;

  private:
    std::optional<std::string> saved_;
    bool zoneSet_ = false;
};

TEST_F(Preview, DescriptorPlanIsRenderedByteForByte) {
    auto entries = DescriptorPlan();
    std::string text = Build(entries, "KSL,TRV88,12345,1.00", "TRV88");
    std::string expected =
        std::string(kHead) +
        "\\cf4 Instrument: \\cf0 KSL,TRV88,12345,1.00\\par"
        "\\cf4 Target: \\cf0 TRV88\\par"
        "\\cf4 Erase Sectors: \\cf0 0,\\cf0 3,\\cf0 6,\\cf0 7," +
        kProgramHeading +
        "\\cf0 1    0      \\cf0main.hex            \\cf0 06/03/21 03:06  103\\par"
        "\\cf0 2    3      \\cf0dsp.hex             \\cf0 14/11/23 22:13  148\\par"
        "\\cf0 3    3      \\cf0firmware_image_long1\\cf0 06/03/21 03:06  58\\par"
        "\\cf0 5    6      \\cf0boot.hex            \\cf0 --/--/--        193\\par"
        "\\cf0 6    7      \\cf3gone.hex            \\cf0 --/--/--\\par"
        "}";
    EXPECT_EQ(text, expected);
    EXPECT_TRUE(planError_);  // gone.hex; the excluded old.hex counts for nothing
    // The worker's messages show the names as the preview did.
    EXPECT_EQ(entries[0].facts.name, "main.hex");
    EXPECT_EQ(entries[3].facts.name, "old.hex");
}

TEST_F(Preview, HexPlanWithoutTargetShowsAnUnsoundFileWithItsReason) {
    std::string dsp = HexFile(3);
    dsp[dsp.find('\r', dsp.find('\n')) - 1] ^= 1;  // a checksum digit on line 2
    LoadEntry entries[] = {HandEntry("DSP_5.hex", dsp, 2), HandEntry("AB_5.hex", HexFile(1), 0)};
    entries[0].facts.lastWriteTime = kNovember2023;
    entries[1].serialLow = 100;  // a two-field identity has no serial number to compare
    entries[1].serialHigh = 199;

    std::string text = Build(entries, "KSL,TRV88", "");
    std::string expected =
        std::string(kHead) +
        "\\cf4 Instrument: \\cf0 KSL,TRV88\\par"
        "\\cf4 Erase Sectors: \\cf0 2,\\cf0 0," +
        kProgramHeading +
        "\\cf0 1    2      \\cf3dsp_5.hex           \\cf0 14/11/23 22:13  148\\par"
        "\\cf3             bad checksum at line 2\\par"
        "\\cf0 2    0      \\cf0ab_5.hex            \\cf0 06/03/21 03:06  58\\par"
        "}";
    EXPECT_EQ(text, expected);
    EXPECT_TRUE(planError_);
}

TEST_F(Preview, PlanErrorOnlyForWhatWouldBreakTheUpgrade) {
    LoadEntry fine[] = {HandEntry("a.hex", HexFile(1), 14), HandEntry("b.hex", HexFile(1), 1)};
    fine[1].present = false;
    fine[1].serialLow = 100;
    fine[1].serialHigh = 199;
    std::string text = Build(fine, "KSL,TRV28,12345", "TRV28");
    EXPECT_FALSE(planError_) << "an excluded missing file must not block the upgrade";
    EXPECT_EQ(text.find("b.hex"), std::string::npos);

    // Sector 15 passes the model's range but the loader has no code for it.
    LoadEntry high[] = {HandEntry("a.hex", HexFile(1), 15)};
    text = Build(high, "KSL,TRV28,1", "TRV28");
    EXPECT_NE(text.find("Erase Sectors: \\cf3 15,"), std::string::npos);
    EXPECT_TRUE(planError_);

    planError_ = false;
    LoadEntry folderInstead[] = {HandEntry("c.hex", "", 1)};
    folderInstead[0].path = folder_.Folder("c.dir");
    text = Build(folderInstead, "KSL", "");
    EXPECT_NE(text.find(std::string("\\cf3             ") + kHexIsFolderText), std::string::npos);
    EXPECT_TRUE(planError_);

    planError_ = false;
    LoadEntry tooLong[] = {HandEntry("d.hex", "", 1)};
    tooLong[0].present = false;
    tooLong[0].pathTooLong = true;
    text = Build(tooLong, "KSL", "");
    EXPECT_NE(text.find(kPathTooLongText), std::string::npos);
    EXPECT_TRUE(planError_);
}

TEST_F(Preview, OutsideTextCannotBreakTheRtf) {
    LoadEntry entries[] = {HandEntry("12_main.hex", HexFile(1), 0),
                           HandEntry("x.hex", HexFile(1), 1), HandEntry("y.hex", HexFile(1), 2)};
    entries[1].facts.name = "../common/dsp_with_a_long_name.hex";
    entries[2].facts.name = "{b}\\par";
    std::string identity = "K{S}L\\par,M\xc3\xa9ter\x1b[2J,1";
    std::string text = Build(entries, identity, "");

    std::string shown;
    for (const StyledRun& run : ReadRtf(text)) shown += run.text;
    EXPECT_NE(shown.find("Instrument: K{S}L\\par,M\xc3\xa9ter?[2J,1\n"), std::string::npos);
    EXPECT_NE(shown.find("1    0      12_main.hex" + std::string(9, ' ') + "06/03/21"),
              std::string::npos);
    EXPECT_NE(shown.find("2    1      ../common/dsp_with_a_long_name.hex 06/03/21"),
              std::string::npos);
    EXPECT_NE(shown.find("3    2      {b}\\par" + std::string(13, ' ') + "06/03/21"),
              std::string::npos);
}

TEST_F(Preview, FileTimesAreLocal) {
    EXPECT_EQ(FormatFileTime(kMarch2021), "06/03/21 03:06");
    EXPECT_EQ(FormatFileTime(86400), "--/--/--");
    EXPECT_EQ(FormatFileTime(86401), "02/01/70 00:00");
    SetZone("XYZ-2");
    EXPECT_EQ(FormatFileTime(kMarch2021), "06/03/21 05:06");
    SetZone("XYZ+11");
    EXPECT_EQ(FormatFileTime(kMarch2021), "05/03/21 16:06");
}

TEST_F(Preview, FortyNineEntriesOfLongNames) {
    std::vector<LoadEntry> entries;
    for (int i = 0; i < 49; ++i) {
        entries.push_back(HandEntry("f" + std::to_string(i) + ".hex", HexFile(1), i % 8));
        entries.back().facts.name = std::string(250, 'n');
    }
    std::string text = Build(entries, std::string(127, 'i'), std::string(20, 't'));
    EXPECT_FALSE(planError_);
    EXPECT_NE(text.find("\\cf0 49   0      "), std::string::npos);
    EXPECT_EQ(text.back(), '}');
}

}  // namespace
}  // namespace orvane::firmware

namespace orvane::firmware {
namespace {

TEST_F(Preview, ReaderTurnsThePreviewIntoStyledRuns) {
    auto entries = DescriptorPlan();
    auto runs = ReadRtf(Build(entries, "KSL,TRV88,12345,1.00", "TRV88"));

    const std::optional<RgbColour> grey = RgbColour{127, 127, 127};
    const std::optional<RgbColour> red = RgbColour{255, 0, 0};
    const std::optional<RgbColour> plain;
    struct Expected {
        std::string text;
        std::optional<RgbColour> colour;
        bool bold;
    };
    const Expected expected[] = {
        {"Proposed Operation\n", grey, true},
        {"\nInstrument: ", grey, false},
        {"KSL,TRV88,12345,1.00\n", plain, false},
        {"Target: ", grey, false},
        {"TRV88\n", plain, false},
        {"Erase Sectors: ", grey, false},
        {"0,3,6,7,\n\n", plain, false},
        {"Program Sectors with the following code:\n", grey, false},
        {"\n", plain, false},
        {"File Sector Filename            Date & Time     Size\n", grey, false},
        {"1    0      main.hex            06/03/21 03:06  103\n"
         "2    3      dsp.hex             14/11/23 22:13  148\n"
         "3    3      firmware_image_long106/03/21 03:06  58\n"
         "5    6      boot.hex            --/--/--        193\n"
         "6    7      ",
         plain, false},
        {"gone.hex            ", red, false},
        {"--/--/--\n", plain, false},
    };
    ASSERT_EQ(runs.size(), std::size(expected));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(runs[i].text, expected[i].text);
        EXPECT_EQ(runs[i].colour, expected[i].colour);
        EXPECT_EQ(runs[i].bold, expected[i].bold);
        EXPECT_EQ(runs[i].underline, i == 0);
        EXPECT_EQ(runs[i].font, "Courier New");
        EXPECT_EQ(runs[i].fontSize, 20);
    }
}

}  // namespace
}  // namespace orvane::firmware
