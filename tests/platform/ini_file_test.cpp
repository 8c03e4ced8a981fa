#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "fault_checks.h"

using orvane::platform::IniFile;

namespace {
std::string TempFile(const std::string& content) {
    char tmpl[] = "/tmp/orvane_ini_XXXXXX";
    int fd = mkstemp(tmpl);
    ::close(fd);
    std::ofstream(tmpl, std::ios::binary) << content;
    return tmpl;
}
std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
}  // namespace

TEST(IniFile, ReadsLikePrivateProfiles) {
    std::string path = TempFile(
        "; a comment\n[init]\nCreated = 09:05:03 3/1/2026 \r\nWidth=12px\nNeg=-7\nBig=99999999999\n"
        "[Connect]\nInterface=2\nIPAddr=\"10.0.0.1\"\n[Connect]\nInterface=3\nDup=second\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("Init", "created", "x"), "09:05:03 3/1/2026");
    EXPECT_EQ(ini.ReadInt("Init", "Width", -1), 12);
    EXPECT_EQ(ini.ReadInt("Init", "Neg", 0), -7);
    EXPECT_EQ(ini.ReadInt("Init", "Big", 0), 2147483647);
    EXPECT_EQ(ini.ReadInt("Init", "Missing", -1), -1);
    EXPECT_EQ(ini.ReadInt("Init", "Created", -1), 9);
    EXPECT_EQ(ini.ReadInt("Connect", "Interface", 0), 2);  // the first of duplicate sections
    EXPECT_EQ(ini.ReadString("Connect", "Dup", "none"), "none");
    EXPECT_EQ(ini.ReadString("Connect", "IPAddr", ""), "10.0.0.1");
    EXPECT_EQ(ini.ReadString("Nowhere", "Key", "fallback"), "fallback");
    EXPECT_EQ(IniFile("/tmp/orvane-no-such.ini").ReadInt("A", "B", 5), 5);
    ::unlink(path.c_str());
}

TEST(IniFile, WritesChangeOnlyTheirLineAtomically) {
    std::string original = "; keep this\n[Init]\nCreated=now\n\n[Other]\nA=1\n";
    std::string path = TempFile(original);
    IniFile ini(path);
    ASSERT_TRUE(ini.WriteInt("init", "MainWindowWidth", 900).ok());
    ASSERT_TRUE(ini.WriteString("Connect", "ComPort", "ttyUSB0\nEvil=1").ok());
    ASSERT_TRUE(ini.WriteString("Other", "a", "2").ok());
    EXPECT_EQ(Slurp(path),
              "; keep this\n[Init]\nCreated=now\nMainWindowWidth=900\n\n[Other]\na=2\n"
              "[Connect]\nComPort=ttyUSB0 Evil=1\n");
    EXPECT_EQ(ini.ReadString("Connect", "Evil", "none"), "none");

    // Garbage and a large file: read without harm, and a write keeps all of it.
    std::string garbage(10 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 2654435761u) >> 13);
    std::string junk = TempFile(garbage);
    IniFile bad(junk);
    EXPECT_EQ(bad.ReadInt("Connect", "Interface", 0), 0);
    ASSERT_TRUE(bad.WriteInt("Connect", "Interface", 2).ok());
    EXPECT_EQ(bad.ReadInt("Connect", "Interface", 0), 2);
    EXPECT_GE(Slurp(junk).size(), garbage.size());
    ::unlink(junk.c_str());

    // A folder that cannot be written: the write fails and the file stays whole.
    {
        char tmpl[] = "/tmp/orvane_ro_XXXXXX";
        std::string dir = mkdtemp(tmpl);
        std::string inside = dir + "/s.ini";
        std::ofstream(inside) << original;
        ::chmod(dir.c_str(), 0555);
        {
            orvane::testing::ScopedOrdinaryUser user;
            EXPECT_FALSE(IniFile(inside).WriteInt("Init", "X", 1).ok());
        }
        EXPECT_EQ(Slurp(inside), original);
        ::chmod(dir.c_str(), 0755);
        std::system(("rm -rf " + dir).c_str());
    }
    ::unlink(path.c_str());
}

TEST(IniFile, WritersAtOnceKeepEveryKeyAndAnUnreadableFileIsKept) {
    orvane::testing::ScratchFolder folder;
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
    for (const char* prefix : {"a", "b"}) {
        for (int i = 0; i < 100; ++i)
            present += IniFile(path).ReadInt("Keys", prefix + std::to_string(i), -1) == i;
    }
    EXPECT_EQ(present, 200);

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
