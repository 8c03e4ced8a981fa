#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "fault_checks.h"
#include "platform/ini_file.h"
#include "support/temp_folder.h"

using orvane::platform::IniFile;
using orvane::testing::TempFolder;

TEST(IniFile, AnUnreadableFileIsKept) {
    TempFolder folder;
    const std::string path = folder / "s.ini";
    // A write-only file: the write fails and the file keeps its keys.
    const std::string original = "[Connect]\nInterface=2\n";
    folder.Write("s.ini", original);
    ::chmod(folder.path().c_str(), 0777);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    ::chmod(path.c_str(), 0200);
    {
        orvane::testing::ScopedOrdinaryUser user;
        ASSERT_TRUE(user.ok());
        EXPECT_FALSE(IniFile(path).WriteInt("Init", "MainWindowWidth", 900).ok());
        EXPECT_EQ(errno, EACCES);
    }
    EXPECT_EQ(folder.Read("s.ini"), original);
}
