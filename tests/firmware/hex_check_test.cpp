#include "firmware/hex_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "firmware_test_files.h"

namespace orvane::firmware {
namespace {

using namespace std::string_literals;
using testing::HexFile;
using testing::HexRecord;
using testing::TempFolder;

TEST(HexCheck, SoundFilesPassWhateverTheLineEndsAndComments) {
    TempFolder folder;
    EXPECT_TRUE(CheckHexFile(folder.Write("crlf.hex", HexFile(20))).ok());
    EXPECT_TRUE(CheckHexFile(folder.Write("lf.hex", HexFile(20, "\n"))).ok());
    std::string mixed = "; built 2021\r\n\r\n" + HexRecord(4, 0, {0, 1}) + "\r\n" +
                        ":0300300002337A1E\n" + HexRecord(5, 0, {0, 0, 1, 0}) + "\r\n" +
                        ":00000001ff\r\n  :not sent\r\n\x1a";
    EXPECT_TRUE(CheckHexFile(folder.Write("mixed.hex", mixed)).ok());
    EXPECT_TRUE(CheckHexFile(folder.Write("noeol.hex", ":00000001FF")).ok());
    // The longest record the loader takes whole.
    std::string longest = HexRecord(0, 0, std::vector<uint8_t>(249, 7));
    EXPECT_TRUE(CheckHexFile(folder.Write("max.hex", longest + "\r\n:00000001FF\n")).ok());
}

TEST(HexCheck, FaultsAreFoundWithTheirLine) {
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
        {HexRecord(6, 0, {}) + "\n" + end, HexFault::UnknownRecordType, 1},
        {HexRecord(4, 0, {0}) + "\n" + end, HexFault::WrongLengthForType, 1},
        {HexRecord(0, 0, std::vector<uint8_t>(250, 7)) + "\n" + end, HexFault::RecordTooLong, 1},
        {std::string(510, ';') + ":00000001FF\n" + end, HexFault::LineTooLong, 1},
        {end + data, HexFault::RecordAfterEnd, 2},
        {data, HexFault::NoEndRecord, 0},
        {"\0\0:\0\n"s, HexFault::NoEndRecord, 0},
    };
    int n = 0;
    for (const auto& c : cases) {
        HexCheck check = CheckHexFile(folder.Write(std::to_string(n) + ".hex", c.content));
        EXPECT_EQ(check.fault, c.fault) << n;
        EXPECT_EQ(check.line, c.line) << n++;
    }
    EXPECT_EQ(DescribeHexCheck(CheckHexFile(folder.Write("bad.hex", altered))),
              std::string(kHexBadChecksumText) + " at line 1207");
    EXPECT_EQ(DescribeHexCheck(CheckHexFile(folder.Write("e.hex", ""))), kHexNoEndRecordText);
}

TEST(HexCheck, WhatIsNoReadableFileIsReportedWithoutHanging) {
    TempFolder folder;
    EXPECT_EQ(CheckHexFile(folder.Folder("dir.hex")).fault, HexFault::IsFolder);
    EXPECT_EQ(DescribeHexCheck(CheckHexFile(folder.path() + "none.hex")),
              std::string(kHexCannotReadText) + ": " + std::strerror(ENOENT));
    std::string fifo = folder.path() + "pipe.hex";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(CheckHexFile(fifo).fault, HexFault::NotAFile);

    std::string huge(10 << 20, 'x');
    EXPECT_TRUE(CheckHexFile(folder.Write("huge.hex", huge + "\n:00000001FF\n")).ok());
    EXPECT_EQ(CheckHexFile(folder.Write("hugerec.hex", ":" + huge + "\n")).fault,
              HexFault::RecordTooLong);
}

}  // namespace
}  // namespace orvane::firmware
