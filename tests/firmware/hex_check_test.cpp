#include "firmware/hex_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "firmware_test_files.h"

namespace orvane::firmware {
namespace {

using testing::HexFile;
using testing::HexRecord;
using testing::TempFolder;

TEST(HexCheck, SoundFilesPassWhateverTheLineEnds) {
    TempFolder folder;
    EXPECT_TRUE(CheckHexFile(folder.Write("crlf.hex", HexFile(20))).ok());
    EXPECT_TRUE(CheckHexFile(folder.Write("lf.hex", HexFile(20, "\n"))).ok());
    std::string commented = "; built 2021-03-04\r\n\r\n" + HexRecord(4, 0, {0x00, 0x01}) + "\r\n" +
                            HexRecord(0, 0, {1, 2, 3}) + "\r\n" + HexRecord(5, 0, {0, 0, 1, 0}) +
                            "\r\n" + HexRecord(1, 0, {}) + "\r\n  :not sent\r\n\x1a";
    EXPECT_TRUE(CheckHexFile(folder.Write("commented.hex", commented)).ok());
    // The end record without a line end still ends the file.
    EXPECT_TRUE(CheckHexFile(folder.Write("noeol.hex", HexRecord(1, 0, {}))).ok());
    std::string lower = HexRecord(0, 0x10, {0xAB, 0xCD});
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(CheckHexFile(folder.Write("lower.hex", lower + "\n:00000001FF\n")).ok());
}

TEST(HexCheck, FaultsAreFoundWithTheirLine) {
    TempFolder folder;
    std::string sound = HexFile(1300);
    // One checksum digit altered on line 1207.
    std::string altered = sound;
    std::size_t line = 0, at = 0;
    while (++line < 1207) at = altered.find('\n', at) + 1;
    std::size_t digit = altered.find('\r', at) - 1;
    altered[digit] = altered[digit] == '0' ? '1' : '0';

    const std::string data = HexRecord(0, 0, {1, 2, 3, 4});
    const std::string end = HexRecord(1, 0, {}) + "\n";
    struct Case {
        std::string content;
        HexFault fault;
        int64_t line;
    };
    const Case cases[] = {
        {altered, HexFault::BadChecksum, 1207},
        {data + "\n:0400000001G20304F2\n" + end, HexFault::NotHexDigit, 2},
        {data + " \n" + end, HexFault::NotHexDigit, 1},
        {":0500000001020304F1\n" + end, HexFault::ByteCountMismatch, 1},
        {":00000001F\n", HexFault::ByteCountMismatch, 1},
        {":\n", HexFault::ByteCountMismatch, 1},
        {HexRecord(6, 0, {}) + "\n" + end, HexFault::UnknownRecordType, 1},
        {HexRecord(4, 0, {0}) + "\n" + end, HexFault::WrongLengthForType, 1},
        {HexRecord(1, 0, {0}) + "\n", HexFault::WrongLengthForType, 1},
        {HexRecord(0, 0, std::vector<uint8_t>(250, 7)) + "\n" + end, HexFault::RecordTooLong, 1},
        {std::string(510, ';') + ":00000001FF\n" + end, HexFault::LineTooLong, 1},
        {end + data + "\n", HexFault::RecordAfterEnd, 2},
        {data + "\n", HexFault::NoEndRecord, 0},
        {"", HexFault::NoEndRecord, 0},
        {std::string("\0\0:\0", 4) + "\n", HexFault::NoEndRecord, 0},
        {std::string(":00000001FF\0", 12) + "\n", HexFault::NotHexDigit, 1},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        HexCheck check =
            CheckHexFile(folder.Write("case" + std::to_string(n++) + ".hex", c.content));
        EXPECT_EQ(check.fault, c.fault);
        EXPECT_EQ(check.line, c.line);
    }
    // The longest record the loader takes whole is still fine.
    EXPECT_TRUE(CheckHexFile(folder.Write("max.hex", HexRecord(0, 0, std::vector<uint8_t>(249, 7)) +
                                                         "\r\n" + end))
                    .ok());

    HexCheck bad = CheckHexFile(folder.Write("bad.hex", altered));
    EXPECT_EQ(DescribeHexCheck(bad), std::string(kHexBadChecksumText) + " at line 1207");
    EXPECT_EQ(DescribeHexCheck(CheckHexFile(folder.Write("e.hex", ""))), kHexNoEndRecordText);
}

TEST(HexCheck, WhatIsNoReadableFileIsReportedWithoutHanging) {
    TempFolder folder;
    EXPECT_EQ(CheckHexFile(folder.Folder("dir.hex")).fault, HexFault::IsFolder);
    HexCheck missing = CheckHexFile(folder.path() + "none.hex");
    EXPECT_EQ(missing.fault, HexFault::CannotRead);
    EXPECT_NE(DescribeHexCheck(missing).find(kHexCannotReadText), std::string::npos);
    std::string fifo = folder.path() + "pipe.hex";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(CheckHexFile(fifo).fault, HexFault::NotAFile);

    // Ten megabytes on one line that is not a record: allowed, read in one pass.
    std::string huge(10 * 1024 * 1024, 'x');
    EXPECT_TRUE(CheckHexFile(folder.Write("huge.hex", huge + "\n:00000001FF\n")).ok());
    EXPECT_EQ(CheckHexFile(folder.Write("hugerec.hex", ":" + huge + "\n")).fault,
              HexFault::RecordTooLong);
}

}  // namespace
}  // namespace orvane::firmware
