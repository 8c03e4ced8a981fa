#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/temp_folder.h"

using orvane::platform::IniFile;
using orvane::testing::TempFolder;

TEST(IniFile, ReadsLikePrivateProfiles) {
    TempFolder folder;
    IniFile ini(folder.Write(
        "s.ini",
        "; a comment\n[init]\nCreated = 09:05:03 3/1/2026 \r\nWidth=12px\nBig=99999999999\n"
        "[Connect]\nInterface=2\nIPAddr=\"10.0.0.1\"\n[Connect]\nInterface=3\nDup=second\n"));
    EXPECT_EQ(ini.ReadString("Init", "created", "x"), "09:05:03 3/1/2026");
    EXPECT_EQ(ini.ReadInt("Init", "Width", -1), 12);
    EXPECT_EQ(ini.ReadInt("Init", "Big", 0), 2147483647);
    EXPECT_EQ(ini.ReadInt("Connect", "Interface", 0), 2);  // the first of duplicate sections
    EXPECT_EQ(ini.ReadString("Connect", "Dup", "none"), "none");
    EXPECT_EQ(ini.ReadString("Connect", "IPAddr", ""), "10.0.0.1");
    EXPECT_EQ(ini.ReadString("Nowhere", "Key", "fallback"), "fallback");
    EXPECT_EQ(IniFile(folder / "none.ini").ReadInt("A", "B", 5), 5);
}

TEST(IniFile, WritesChangeOnlyTheirLineAtomically) {
    TempFolder folder;
    IniFile ini(folder.Write("s.ini", "; keep this\n[Init]\nCreated=now\n\n[Other]\nA=1\n"));
    ASSERT_TRUE(ini.WriteInt("init", "MainWindowWidth", 900).ok());
    ASSERT_TRUE(ini.WriteString("Connect", "ComPort", "ttyUSB0\nEvil=1").ok());
    ASSERT_TRUE(ini.WriteString("Other", "a", "2").ok());
    EXPECT_EQ(folder.Read("s.ini"),
              "; keep this\n[Init]\nCreated=now\nMainWindowWidth=900\n\n[Other]\na=2\n"
              "[Connect]\nComPort=ttyUSB0 Evil=1\n");
}

TEST(IniFile, WritersAtOnceKeepEveryKey) {
    TempFolder folder;
    const std::string path = folder / "s.ini";
    // Each write opens the lock file anew, so two threads contend as two programs would.
    auto writer = [&](std::string prefix) {
        IniFile ini(path);
        for (int i = 0; i < 100; ++i)
            EXPECT_TRUE(ini.WriteInt("Keys", prefix + std::to_string(i), i).ok());
    };
    std::thread a(writer, "a"), b(writer, "b");
    a.join();
    b.join();
    int present = 0;
    for (const char* prefix : {"a", "b"})
        for (int i = 0; i < 100; ++i)
            present += IniFile(path).ReadInt("Keys", prefix + std::to_string(i), -1) == i;
    EXPECT_EQ(present, 200);
}
