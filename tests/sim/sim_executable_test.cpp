// What a user of orvane2-sim relies on that the tests driving it do not show:
// its usage errors and the pty link it makes (never over a file). Its answers,
// TCP link, faults and flash images are what every process test drives.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "sim/instrument_config.h"
#include "sim/sim_options.h"
#include "support/run_program.h"
#include "support/sim_process.h"
#include "support/temp_folder.h"

namespace orvane::testing {
namespace {

TEST(SimExecutable, UsageErrorsNameWhatWasWrongAndExit64) {
    struct Row {
        const char* name;
        std::vector<std::string> args;  // the last one is what the message must name
    };
    const Row rows[] = {
        {"port out of range", {"--tcp", "127.0.0.1:99999"}},
        {"unknown option", {"--frob"}},
        {"not a number", {"--trickle", "x"}},
        {"bootloader value missing", {"--bootloader", "erase-ms="}},
        {"fill past a byte", {"--bootloader", "fill=256"}},
        {"late without its time", {"--bootloader", "late-at=3:"}},
        {"unknown bootloader setting", {"--bootloader", "colour=red"}},
        {"unknown discovery method", {"--discover", "all"}},
        {"answer the method cannot carry", {"--discover", "both", "--discover-answer", "short"}},
        {"discovery address", {"--discover", "echo", "--discover-on", "127.0.0.300"}},
        {"port zero", {"--discover", "echo", "--echo-port", "0"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ProgramResult r = RunProgram(ORVANE2_SIM_PATH, row.args);
        EXPECT_EQ(r.status, sim::kSimUsageError);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("orvane2-sim: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(row.args.back()), std::string::npos) << r.err;
    }
}

TEST(SimExecutable, ServesItsPtyLinkUntilTerminatedAndNeverLinksOverAFile) {
    TempFolder dir;
    const std::string file = dir.Write("file", "kept");
    ProgramResult refused = RunProgram(ORVANE2_SIM_PATH, {"--pty", "--link", file});
    EXPECT_NE(refused.status, 0);
    EXPECT_EQ(dir.Read("file"), "kept");

    // A stale link from a run that was killed is replaced.
    const std::string link = dir / "instrument";
    ASSERT_EQ(::symlink("/nonexistent", link.c_str()), 0);
    sim::InstrumentConfig config;
    config.serial = "4711";
    SimProcess sim({"--pty", "--link", link, "--serial", config.serial});
    const std::vector<std::string> lines = sim.LinesUntilReady();
    char target[256] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(sim.PtyPath(), target);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "link: " + link);

    const int pty = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(pty, 0);
    ASSERT_EQ(::write(pty, "*IDN?\r", 6), 6);  // what a terminal program sends on Enter
    std::string got;
    char buf[256];
    for (pollfd p{pty, POLLIN, 0}; ::poll(&p, 1, 500) > 0;) {  // until it goes quiet
        const ssize_t n = ::read(pty, buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got, sim::IdentityText(config) + "\r\n");

    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
    struct stat st {};
    EXPECT_NE(::lstat(link.c_str(), &st), 0) << "the link goes with it";
    ::close(pty);
}

}  // namespace
}  // namespace orvane::testing
