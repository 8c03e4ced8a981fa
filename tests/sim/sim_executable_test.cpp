// What a user of orvane2-sim relies on that the tests driving it do not show: the pty
// link it makes (never over a file). Its answers, TCP link, faults and flash images are
// what every process test drives.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <filesystem>

#include "sim/engine.h"
#include "sim/instrument_config.h"
#include "sim/sim_options.h"
#include "support/run_program.h"
#include "support/temp_folder.h"

namespace orvane::testing {
namespace {

TEST(SimExecutable, ServesItsPtyLinkUntilTerminatedAndNeverLinksOverAFile) {
    TempFolder dir;
    const std::string file = dir.Write("file", "kept");
    EXPECT_NE(RunProgram(ORVANE2_SIM_PATH, {"--pty", "--link", file}).status, 0);
    EXPECT_EQ(dir.Read("file"), "kept");

    // A stale link from a run that was killed is replaced.
    const std::string link = dir / "instrument";
    ASSERT_EQ(::symlink("/nonexistent", link.c_str()), 0);
    sim::InstrumentConfig config;
    config.serial = "4711";
    SimProcess sim({"--pty", "--link", link, "--serial", config.serial});
    EXPECT_EQ(sim.LinesUntilReady().at(1), "link: " + link);
    EXPECT_EQ(std::filesystem::read_symlink(link), sim.PtyPath());

    const int pty = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(::write(pty, "*IDN?\r", 6), 6);  // what a terminal program sends on Enter
    std::string got;
    char buf[256];
    for (pollfd p{pty, POLLIN, 0}; ::poll(&p, 1, 500) > 0;) {  // until it goes quiet
        const ssize_t n = ::read(pty, buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got, sim::IdentityText(config) + "\r\n");
    ::close(pty);
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link)) << "the link goes with it";
}

// Asked after identifying, by an unknown command: every line in order (past a carry), then none.
// Addresses are dotted decimal, four parts of 0..255 without leading zeros, as
// the socket calls of both systems take them.
TEST(SimOptions, TcpAddressesAreFourDecimalParts) {
    const std::pair<const char*, bool> rows[] = {
        {"127.0.0.2", true}, {"0.0.0.0:65535", true}, {"1.2.3", false},        {"1.2.3.4.5", false},
        {"01.2.3.4", false}, {"256.1.1.1", false},    {"1..2.3", false},       {"1.2.3.x", false},
        {"1.2.3.4:", false}, {"+1.2.3.4", false},     {"1.2.3.4:65536", false}};
    for (auto [address, ok] : rows) {
        sim::SimOptions options;
        std::string error;
        const char* argv[] = {"orvane2-sim", "--tcp", address};
        EXPECT_EQ(sim::ParseSimOptions(3, argv, options, error), ok) << address << ": " << error;
        if (ok) {
            const std::string_view text = address;
            EXPECT_EQ(options.tcpAddress, text.substr(0, text.find(':')));
        }
    }
}

TEST(SimEngine, CountedFloodComesOnlyWhenAskedAndEndsAtItsCount) {
    sim::InstrumentConfig config;
    config.floodCount = 100000;
    sim::Engine engine(config);
    engine.Feed("*IDN?\n", 6, 0);
    EXPECT_EQ(engine.TakeOutput(0), sim::IdentityText(config) + "\r\n");
    engine.Feed("flood\n", 6, 1);
    std::string got, want;
    for (uint32_t n = 1; n <= config.floodCount; ++n) want += sim::FloodLine(n);
    while (engine.NextDue()) got += engine.TakeOutput(1);
    EXPECT_TRUE(got == want) << got.size() << " bytes, " << want.size() << " expected";
}

}  // namespace
}  // namespace orvane::testing
