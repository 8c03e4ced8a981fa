#include "firmware/hex_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "upgrade_test_bench.h"

namespace orvane::firmware {
namespace {

using namespace std::string_literals;
using testing::HexFile;
using testing::HexRecord;
using testing::TempFolder;

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
    EXPECT_EQ(DescribeHexCheck(CheckHexFile(folder.Write("bad.hex", altered))),
              std::string(kHexBadChecksumText) + " at line 1207");
    EXPECT_EQ(DescribeHexCheck(CheckHexFile(folder.Write("e.hex", ""))), kHexNoEndRecordText);
}

TEST(HexCheck, WhatIsNoReadableFileIsReportedWithoutHanging) {
    TempFolder folder;
    const std::string fifo = folder / "pipe.hex";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {folder.Folder("dir.hex"), kHexIsFolderText},
        {folder / "none.hex", kHexCannotReadText + ": "s + std::strerror(ENOENT)},
        {fifo, kHexNotAFileText},
    };
    for (const auto& [path, said] : cases) EXPECT_EQ(DescribeHexCheck(CheckHexFile(path)), said);
}

}  // namespace
}  // namespace orvane::firmware
