#include "platform/file_facts.h"

#include <gtest/gtest.h>

#include "platform/regular_file.h"
#include "support/temp_folder.h"

using namespace orvane::platform;
using orvane::testing::TempFolder;

// The lookup the upgrade files are found with: the exact name, else one that
// differs in letter case only; of several matches the first in byte order.
TEST(FileFacts, FindsTheFirstMatchWhateverTheLetterCase) {
    TempFolder folder;
    folder.Write("dsp_1234.hex", "12345");
    folder.Write("main_2.hex", "");
    folder.Write("main_1.hex", "");
    folder.Folder("sub");

    auto found = FindFirstFile(folder / "DSP_1234.HEX");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "dsp_1234.hex");
    EXPECT_EQ(found->path, folder / "dsp_1234.hex");
    EXPECT_EQ(found->size, 5u);
    EXPECT_FALSE(found->IsDirectory());
    EXPECT_GT(found->lastWriteTime, 0);

    EXPECT_EQ(FindFirstFile(folder / "main_*.hex")->name, "main_1.hex");
    EXPECT_TRUE(FindFirstFile(folder / "sub")->IsDirectory());
    EXPECT_FALSE(FindFirstFile(folder / "none*.hex"));
    EXPECT_FALSE(FindFirstFile(""));
    EXPECT_TRUE(PathExists(folder / "main_1.hex"));
    EXPECT_TRUE(IsFolder(folder / "sub"));
    EXPECT_FALSE(IsFolder(folder / "main_1.hex"));
}

TEST(RegularFile, OpensFilesOnlyAndSaysWhatElseItFound) {
    TempFolder folder;
    EXPECT_EQ(OpenRegularFile(folder / "none.txt", FileAccess::Read).refusal, FileRefusal::Missing);
    EXPECT_EQ(OpenRegularFile(folder / "none.txt", FileAccess::AppendExisting).refusal,
              FileRefusal::Missing);
    EXPECT_EQ(OpenRegularFile(folder.path(), FileAccess::Append).refusal, FileRefusal::Folder);

    const std::string path = folder.Write("log.txt", "old text");
    auto write = [&](FileAccess access, const char* text) {
        RegularFile file = OpenRegularFile(path, access);
        ASSERT_TRUE(file.ok()) << file.reason;
        std::fputs(text, file.stream.get());
    };
    write(FileAccess::Append, "+1");
    write(FileAccess::AppendExisting, "+2");
    EXPECT_EQ(folder.Read("log.txt"), "old text+1+2");
    write(FileAccess::Replace, "new");
    EXPECT_EQ(folder.Read("log.txt"), "new");
}
