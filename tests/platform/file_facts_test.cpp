#include "platform/file_facts.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

using orvane::platform::FindFirstFile;

namespace {
std::string MakeTempDir() {
    char tmpl[] = "/tmp/orvane_facts_XXXXXX";
    return mkdtemp(tmpl);
}
}  // namespace

TEST(FileFacts, FindsFirstMatchWithSizeTimeAndName) {
    std::string dir = MakeTempDir();
    std::ofstream(dir + "/b_main.hex") << "0123456789";
    std::ofstream(dir + "/a_main.hex") << "01234";
    ::mkdir((dir + "/sub").c_str(), 0755);

    auto f = FindFirstFile(dir + "/*_main.hex");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->name, "a_main.hex");
    EXPECT_EQ(f->size, 5u);
    EXPECT_GT(f->lastWriteTime, 1600000000);
    EXPECT_FALSE(f->IsDirectory());

    auto exact = FindFirstFile(dir + "/b_main.hex");
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->size, 10u);
    EXPECT_EQ(exact->path, dir + "/b_main.hex");

    auto sub = FindFirstFile(dir + "/sub");
    ASSERT_TRUE(sub);
    EXPECT_TRUE(sub->IsDirectory());

    EXPECT_FALSE(FindFirstFile(dir + "/missing.hex"));
    EXPECT_FALSE(FindFirstFile(dir + "/*.up*"));
    EXPECT_FALSE(FindFirstFile(""));
    std::system(("rm -rf " + dir).c_str());
}
