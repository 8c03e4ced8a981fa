#include "firmware/rtf_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane::firmware {
namespace {

using namespace std::string_literals;

std::string AllText(const std::vector<RtfRun>& runs) {
    std::string text;
    for (const RtfRun& run : runs) text += run.text;
    return text;
}

TEST(RtfReader, ReadsWhatOtherWritersMakeOfStyledText) {
    auto runs = ReadRtf(
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat{\\fonttbl{\\f0\\fnil\\fcharset0 Calibri;}"
        "{\\f1\\fmodern Courier New;}}\r\n{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
        "{\\*\\generator Riched20 10.0}{\\info{\\title Plan}}\\viewkind4\\uc1 \r\n"
        "\\pard\\sa200\\f1\\fs22\\lang9 Caf\\'e9 \\cf1\\b red bold\\b0\\cf0  \\u8364?5\\~x\\par\r\n"
        "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}\\tab end\\line\r\n"
        "\\unknownword123 kept{\\*\\unknowndest hidden}{\\pict\\bin2 }{}\\bin3 {}}after"
        "\\'1b\\'80\r\n}ignored");
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].text, "Caf\xc3\xa9 ");
    EXPECT_EQ(runs[0].font, "Courier New");
    EXPECT_EQ(runs[0].fontSize, 22);
    EXPECT_EQ(runs[1].text, "red bold");
    EXPECT_EQ(runs[1].colour, (RgbColour{255, 0, 0}));
    EXPECT_TRUE(runs[1].bold);
    EXPECT_EQ(runs[2].text,
              " \xe2\x82\xac"
              "5\xc2\xa0x\nlink\tend\nkeptafter\xe2\x82\xac");
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

}  // namespace
}  // namespace orvane::firmware
