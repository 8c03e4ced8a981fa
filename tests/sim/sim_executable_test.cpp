// Spawns orvane2-sim as other tests and the benchmarks will, and talks to it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "io_helpers.h"
#include "platform/product.h"
#include "sim/instrument_config.h"
#include "sim/sim_options.h"
#include "support/sim_process.h"

using namespace std::string_view_literals;
using namespace orvane::sim::testio;
using orvane::sim::IdentityText;
using orvane::sim::InstrumentConfig;
using orvane::testing::SimProcess;

namespace {

std::string ValueAfter(const std::string& line, const std::string& prefix) {
    return line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : std::string();
}

}  // namespace

TEST(SimExecutable, HelpAndBadOptions) {
    SimProcess help({"--help"});
    EXPECT_NE(help.RestOfOutput().find("--hang-up-after"), std::string::npos);
    EXPECT_EQ(help.Wait(), 0);

    SimProcess bad({"--tcp", "127.0.0.1:99999"});
    EXPECT_EQ(bad.RestOfOutput(), "");
    EXPECT_EQ(bad.Wait(), orvane::sim::kSimUsageError);

    SimProcess version({"--version"});
    EXPECT_EQ(version.RestOfOutput(), orvane::platform::VersionLine("orvane2-sim"));
    EXPECT_EQ(version.Wait(), 0);
}

TEST(SimExecutable, ServesPtyAndTcpUntilTerminated) {
    char dir[] = "/tmp/orvane2-sim-exe-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string link = std::string(dir) + "/instrument";
    InstrumentConfig config;
    config.serial = "4711";
    const std::string identity = IdentityText(config) + "\r\n";

    SimProcess sim({"--pty", "--link", link, "--tcp", "127.0.0.1:0", "--serial", config.serial});
    std::vector<std::string> lines = sim.LinesUntilReady();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(ValueAfter(lines[0], "pty: ").rfind("/dev/pts/", 0), 0u) << lines[0];
    EXPECT_EQ(ValueAfter(lines[1], "link: "), link);
    const std::string tcp = ValueAfter(lines[2], "tcp: 127.0.0.1:");
    ASSERT_FALSE(tcp.empty()) << lines[2];

    int pty = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(pty, 0);
    ASSERT_EQ(::write(pty, "*IDN?\r", 6), 6);
    EXPECT_EQ(ReadLine(pty), identity);

    int sock = ConnectTcp("127.0.0.1", static_cast<uint16_t>(std::stoi(tcp)));
    ASSERT_GE(sock, 0);
    ASSERT_TRUE(SendAll(sock, "\x14\0*IDN?\n\0"sv));
    EXPECT_EQ(ReadLine(sock), identity);

    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
    struct stat st {};
    EXPECT_NE(::lstat(link.c_str(), &st), 0);  // the link went with it
    ::close(pty);
    ::close(sock);
    ::rmdir(dir);
}
