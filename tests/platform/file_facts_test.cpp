#include "platform/file_facts.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

using orvane::platform::FindFirstFile;

TEST(FileFacts, FindsFirstMatchWithSizeTimeAndName) {
    orvane::testing::TempFolder dir;
    dir.Write("b_main.hex", "0123456789");
    dir.Write("a_main.hex", "01234");
    dir.Folder("sub");
    auto f = FindFirstFile(dir / "*_main.hex");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->name, "a_main.hex");
    EXPECT_EQ(f->size, 5u);
    EXPECT_GT(f->lastWriteTime, 1600000000);
    EXPECT_FALSE(f->IsDirectory());
    auto exact = FindFirstFile(dir / "b_main.hex");
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->size, 10u);
    EXPECT_EQ(exact->path, dir / "b_main.hex");
    auto sub = FindFirstFile(dir / "sub");
    ASSERT_TRUE(sub);
    EXPECT_TRUE(sub->IsDirectory());
    for (const std::string& none : {dir / "missing.hex", dir / "*.up*", std::string()})
        EXPECT_FALSE(FindFirstFile(none)) << none;
}
