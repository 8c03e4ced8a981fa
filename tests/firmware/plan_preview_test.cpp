#include "firmware/plan_preview.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstring>

#include "firmware/hex_check.h"
#include "firmware/rtf_reader.h"
#include "firmware/upgrade_descriptor.h"
#include "upgrade_test_bench.h"

namespace orvane::firmware {
namespace {

using namespace std::string_literals;
using testing::HexFile;
using testing::HexRecord;
using testing::TempFolder;

constexpr int64_t kMarch2021 = 1615000000;     // 06/03/21 03:06 UTC
constexpr int64_t kNovember2023 = 1700000000;  // 14/11/23 22:13 UTC

// File times show in local time; the zone is UTC unless a test sets another.
class Preview : public ::testing::Test {
  protected:
    void SetUp() override { SetZone("UTC0"); }
    static void SetZone(const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }

    LoadEntry HandEntry(const std::string& name, const std::string& content, int32_t sector) {
        folder_.Write(name, content);
        LoadEntry e = testing::Entry(folder_, name, sector);
        e.facts.lastWriteTime = kMarch2021;
        return e;
    }

    std::string Build(std::span<LoadEntry> entries, std::string_view identity,
                      std::string_view model) {
        planError_ = false;
        return BuildPlanPreview(entries, identity, model, planError_).value_or("none");
    }

    TempFolder folder_;
    std::unique_ptr<LoadPlan> plan_ = std::make_unique<LoadPlan>();
    UpgradeContext context_{};
    bool planError_ = false;
};

// A plan with a duplicate sector, an excluded serial range, a 25-character
// name, an unset file time and a missing file.
TEST_F(Preview, DescriptorPlanIsRenderedByteForByte) {
    folder_.Write("Main.hex", HexFile(2));
    folder_.Write("dsp.hex", HexFile(3));
    folder_.Write("Firmware_Image_Long12.hex", HexFile(1));
    folder_.Write("boot.hex", HexFile(4));
    std::string path = folder_.Write("fw.upx",
                                     "TARGET,TRV88,100,gteq\r\nLOAD,0,Main.hex\r\n"
                                     "LOAD,3,dsp.hex\r\nOVER,3,Firmware_Image_Long12.hex\r\n"
                                     "SERIAL,1,100,199\r\nLOAD,5,old.hex\r\n"
                                     "SERIAL,1,12000,0\r\nLOAD,6,boot.hex\r\nLOAD,7,gone.hex\r\n");
    ASSERT_EQ(ParseUpgradeDescriptor(path, *plan_, 50, context_, planError_), 6);
    auto entries = std::span(plan_->slots[0]).first(6);
    for (int i : {0, 2}) entries[i].facts.lastWriteTime = kMarch2021;
    entries[1].facts.lastWriteTime = kNovember2023;
    entries[4].facts.lastWriteTime = 0;
    // From the first line after the fixed head (its styles are what the files list shows).
    const std::string text = Build(entries, "KSL,TRV88,12345,1.00", "TRV88");
    EXPECT_EQ(text.substr(text.find("\\cf4 Instrument: ")),
              "\\cf4 Instrument: \\cf0 KSL,TRV88,12345,1.00\\par"
              "\\cf4 Target: \\cf0 TRV88\\par"
              "\\cf4 Erase Sectors: \\cf0 0,\\cf0 3,\\cf0 6,\\cf0 7,"
              "\\par\\cf0\\par\\cf4 Program Sectors with the following code:\\par\\cf0\\par"
              "\\cf4 File Sector Filename            Date & Time\\par"
              "\\cf0 1    0      \\cf0main.hex            \\cf0 06/03/21 03:06\\par"
              "\\cf0 2    3      \\cf0dsp.hex             \\cf0 14/11/23 22:13\\par"
              "\\cf0 3    3      \\cf0firmware_image_long1\\cf0 06/03/21 03:06\\par"
              "\\cf0 5    6      \\cf0boot.hex            \\cf0 --/--/--\\par"
              "\\cf0 6    7      \\cf3gone.hex            \\cf0 --/--/--\\par}");
    EXPECT_TRUE(planError_);
    EXPECT_EQ(entries[0].facts.name, "main.hex");  // later messages show this name
}

TEST_F(Preview, HexPlanWithoutTargetShowsAnUnsoundFileWithItsReason) {
    std::string dsp = HexFile(3);
    dsp[dsp.find('\r', dsp.find('\n')) - 1] ^= 1;  // a checksum digit on line 2
    LoadEntry entries[] = {HandEntry("DSP_5.hex", dsp, 2), HandEntry("AB_5.hex", HexFile(1), 0),
                           HandEntry("DSP_5.hex", dsp, 3)};
    entries[0].facts.lastWriteTime = kNovember2023;
    entries[1].serialLow = 100;  // a two-field identity has no serial number to exclude by
    entries[1].serialHigh = 199;
    SetZone("XYZ+11");
    const std::string text = Build(entries, "KSL,TRV88", ""), heading = "Date & Time\\par";
    EXPECT_NE(text.find("KSL,TRV88\\par\\cf4 Erase Sectors: \\cf0 2,\\cf0 0,\\cf0 3,\\par"),
              std::string::npos)
        << "no target line";
    EXPECT_EQ(text.substr(text.find(heading) + heading.size()),
              "\\cf0 1    2      \\cf3dsp_5.hex           \\cf0 14/11/23 11:13\\par"
              "\\cf0 2    0      \\cf0ab_5.hex            \\cf0 05/03/21 16:06\\par"
              "\\cf0 3    3      \\cf3dsp_5.hex           \\cf0 05/03/21 16:06\\par"
              "\\par\\cf3 dsp_5.hex: " +
                  std::string(kHexBadChecksumText) + " at line 2\\par}");
    EXPECT_TRUE(planError_);
}

TEST_F(Preview, PlanErrorForWhateverWouldBreakTheUpgradeAndNothingElse) {
    LoadEntry fine[] = {HandEntry("a.hex", HexFile(1), 14), HandEntry("b.hex", HexFile(1), 1)};
    fine[1].present = false;
    fine[1].serialLow = 100;
    fine[1].serialHigh = 199;
    EXPECT_EQ(Build(fine, "KSL,TRV28,12345", "TRV28").find("b.hex"), std::string::npos);
    EXPECT_FALSE(planError_);

    // Sector 15 is in the model's range, but the loader has no access code for it.
    LoadEntry high[] = {HandEntry("a.hex", HexFile(1), 15)};
    EXPECT_NE(Build(high, "KSL,TRV28,1", "TRV28").find("Erase Sectors: \\cf3 15,"),
              std::string::npos);
    EXPECT_TRUE(planError_);

    LoadEntry odd[] = {HandEntry("c.hex", "", 1), HandEntry("d.hex", "", 2)};
    odd[0].path = folder_.Folder("c.dir");
    odd[1].present = false;
    odd[1].pathTooLong = true;
    std::string text = Build(odd, "KSL", "");
    EXPECT_NE(text.find(std::string("\\cf3 c.hex: ") + kHexIsFolderText), std::string::npos);
    EXPECT_NE(text.find(kPathTooLongText), std::string::npos);
    EXPECT_TRUE(planError_);
}

TEST_F(Preview, OutsideTextCannotBreakTheRtf) {
    LoadEntry entries[] = {HandEntry("0a_main.hex", HexFile(1), 0),
                           HandEntry("x.hex", HexFile(1), 1), HandEntry("y.hex", HexFile(1), 2),
                           HandEntry(" z.hex", HexFile(1), 3)};
    entries[1].facts.name = "../common/dsp_with_a_long_name.hex";
    entries[2].facts.name = "{b}\\par{c}\\par{d}\\par";
    std::string shown;
    for (const RtfRun& run : ReadRtf(Build(entries, "K{S}L\\par,M\xc3\xa9ter\x1b[2J,1", ""))) {
        shown += run.text;
    }
    for (std::string part :
         {"Instrument: K{S}L\\par,M\xc3\xa9ter?[2J,1\n", "1    0      0a_main.hex         06/03/21",
          "2    1      ../common/dsp_with_a06/03/21", "3    2      {b}\\par{c}\\par{d}\\pa06/03/21",
          "4    3       z.hex              06/03/21"}) {
        EXPECT_NE(shown.find(part), std::string::npos) << part;
    }
}

std::string AllText(const std::vector<RtfRun>& runs) {
    std::string text;
    for (const RtfRun& run : runs) text += run.text;
    return text;
}

// The preview's own subset, and what other writers add around it.
TEST(RtfReader, ReadsStylesTextAndEscapes) {
    auto runs = ReadRtf(
        "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil Calibri;}{\\f1\\fmodern Courier New;}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;}{\\*\\generator Riched20}\\pard\\f1\\fs22 "
        "Caf\\'e9 \\cf1\\b red bold\\b0\\cf0  \\u8364?5\\par\r\n"
        "\\unknownword123 kept{\\*\\unknowndest hidden}\\'1b\\'80\r\n}ignored");
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].text, "Caf\xc3\xa9 ");
    EXPECT_EQ(runs[0].font, "Courier New");
    EXPECT_EQ(runs[0].fontSize, 22);
    EXPECT_EQ(runs[1].text, "red bold");
    EXPECT_EQ(runs[1].colour, (RgbColour{255, 0, 0}));
    EXPECT_TRUE(runs[1].bold);
    EXPECT_EQ(runs[2].text, " \u20AC5\nkept\u20AC");
    EXPECT_FALSE(runs[2].colour);

    // Styles end with their group; \plain resets; a colour beyond the table is the default.
    auto groups =
        ReadRtf("{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}{\\b\\ul\\cf1 a}b\\b\\cf9 c\\plain d}");
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_EQ(groups[0].colour, (RgbColour{1, 2, 3}));
    EXPECT_TRUE(groups[0].underline);
    EXPECT_FALSE(groups[1].bold);
    EXPECT_TRUE(groups[2].bold);
    EXPECT_FALSE(groups[2].colour);
    EXPECT_FALSE(groups[3].bold);

    EXPECT_EQ(AllText(ReadRtf("{\\rtf1 \\u-3913?\\u55357\\'3f\\u56832\\'3f\\u99999?\\u55357?.}")),
              "\xef\x82\xb7\xf0\x9f\x98\x80\xef\xbf\xbd\xef\xbf\xbd.");
    EXPECT_EQ(AllText(ReadRtf("not rtf\r\nline\x1b[31m")), "not rtf\nline[31m");
    // C1 controls go as C0 ones do (U+009B is CSI to a terminal), also where
    // dropping one would join its neighbours; a stray byte reads as Windows-1252.
    EXPECT_EQ(AllText(ReadRtf("{\\rtf1 a\\u155?\\u133?b}")), "ab");
    EXPECT_EQ(AllText(ReadRtf("a\xc2\x9b[2Jb\xc2\xc2\x85\x9b\xc2\x7f\x9b")),
              "a[2Jb\xc3\x82\xe2\x80\xba\xc3\x82\xe2\x80\xba");
}

// Any input is safe and passes no control characters: the rtf_reader fuzz
// harness. Its corpus holds no input this deep or this long.
TEST(RtfReader, DeepGroupsAndLongControlWordsAreRead) {
    std::string deep = "{\\rtf1" + std::string(1000000, '{') + "x" + std::string(1000000, '}');
    EXPECT_EQ(AllText(ReadRtf(deep)), "x");
    EXPECT_EQ(AllText(ReadRtf("{\\rtf1 a\\" + std::string(100000, 'z') + "99999999999999 b}")),
              "ab");
}

TEST(HexCheck, SoundFilesPassWhateverTheLineEndsAndComments) {
    TempFolder folder;
    const std::string mixed = "; built 2021\r\n\r\n" + HexRecord(4, 0, {0, 1}) + "\r\n" +
                              ":0300300002337A1E\n" + HexRecord(5, 0, {0, 0, 1, 0}) + "\r\n" +
                              ":00000001ff\r\n  :not sent\r\n\x1a";
    // The longest record the loader takes whole.
    const std::string longest = HexRecord(0, 0, std::vector<uint8_t>(249, 7)) + "\r\n";
    for (const std::string& sound :
         {HexFile(20), HexFile(20, "\n"), mixed, ":00000001FF"s, longest + ":00000001FF\n",
          std::string(10 << 20, 'x') + "\n:00000001FF\n"}) {
        EXPECT_TRUE(CheckHexFile(folder.Write("sound.hex", sound)).ok()) << sound.substr(0, 80);
    }
}

TEST(HexCheck, FaultsAreFoundWithTheirLineAndUnreadableFilesSaid) {
    TempFolder folder;
    std::string altered = HexFile(1300);
    std::size_t at = 0;
    for (int line = 1; line < 1207; ++line) at = altered.find('\n', at) + 1;
    altered[altered.find('\r', at) - 1] ^= 1;  // one checksum digit on line 1207

    const std::string data = HexRecord(0, 0, {1, 2, 3, 4}) + "\n";
    const std::string end = ":00000001FF\n";
    const struct {
        std::string content;
        HexFault fault;
        int64_t line;
    } cases[] = {
        {altered, HexFault::BadChecksum, 1207},
        {data + ":0400000001G20304F2\n" + end, HexFault::NotHexDigit, 2},
        {HexRecord(0, 0, {1}) + " \n" + end, HexFault::NotHexDigit, 1},
        {":00000001FF\0\n"s, HexFault::NotHexDigit, 1},
        {":0500000001020304F1\n" + end, HexFault::ByteCountMismatch, 1},
        {":00000001F\n", HexFault::ByteCountMismatch, 1},
        // The loader's limit of 510 characters, an odd count of digits within it.
        {":" + std::string(509, '0') + "\n" + end, HexFault::ByteCountMismatch, 1},
        {HexRecord(6, 0, {}) + "\n" + end, HexFault::UnknownRecordType, 1},
        {HexRecord(4, 0, {0}) + "\n" + end, HexFault::WrongLengthForType, 1},
        {HexRecord(0, 0, std::vector<uint8_t>(250, 7)) + "\n" + end, HexFault::RecordTooLong, 1},
        {":" + std::string(10 << 20, '0') + "\n", HexFault::RecordTooLong, 1},
        {std::string(510, ';') + ":00000001FF\n" + end, HexFault::LineTooLong, 1},
        {end + data, HexFault::RecordAfterEnd, 2},
        {data, HexFault::NoEndRecord, 0},
        {"\0\0:\0\n"s, HexFault::NoEndRecord, 0},
    };
    for (const auto& c : cases) {
        HexCheck check = CheckHexFile(folder.Write("bad.hex", c.content));
        EXPECT_EQ(check.fault, c.fault) << c.content.substr(0, 80);
        EXPECT_EQ(check.line, c.line) << c.content.substr(0, 80);
    }
    EXPECT_EQ(DescribeHexCheck(CheckHexFile(folder.Write("e.hex", ""))), kHexNoEndRecordText);

    // What is no readable file is reported without hanging.
    const std::string fifo = folder / "pipe.hex";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> unreadable[] = {
        {folder.Folder("dir.hex"), kHexIsFolderText},
        {folder / "none.hex", kHexCannotReadText + ": "s + std::strerror(ENOENT)},
        {fifo, kHexNotAFileText},
    };
    for (const auto& [path, said] : unreadable)
        EXPECT_EQ(DescribeHexCheck(CheckHexFile(path)), said);
}

}  // namespace
}  // namespace orvane::firmware
