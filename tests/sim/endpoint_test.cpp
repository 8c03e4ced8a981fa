#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "io_helpers.h"
#include "platform/clock.h"
#include "sim/binary_value.h"
#include "sim/command_interpreter.h"
#include "sim/memory_link.h"
#include "sim/pty_endpoint.h"
#include "sim/tcp_endpoint.h"
#include "support/fake_clock.h"

using namespace std::string_view_literals;
using namespace orvane::sim;
using namespace orvane::sim::testio;
using orvane::testing::FakeClock;

namespace {

std::string IdentityLine(const InstrumentConfig& config = {}) {
    return IdentityText(config) + "\r\n";
}

class TempDir {
  public:
    TempDir() {
        char pattern[] = "/tmp/orvane2-sim-test-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string operator/(const char* name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

TEST(SimMemoryLink, TricklesAnAnswerInVirtualTimeUntilUnplugged) {
    InstrumentConfig config;
    config.trickleMs = 5;
    MemoryLink link(config);
    ASSERT_TRUE(link.Ok());
    FakeClock clock;
    clock.AddPump([&](uint32_t now) { link.Pump(now); });
    const uint32_t start = clock.TickCount();
    const int fd = link.ClientFd();

    ASSERT_TRUE(SendAll(fd, "*IDN?\n\0"sv));
    std::string got;
    std::vector<uint32_t> arrivals;
    while (got.size() < IdentityLine().size() && clock.WaitReadable(fd, 1000)) {
        char c;
        ASSERT_EQ(::read(fd, &c, 1), 1);
        got += c;
        arrivals.push_back(clock.TickCount());
    }
    EXPECT_EQ(got, IdentityLine());
    for (size_t i = 0; i < arrivals.size(); ++i) EXPECT_EQ(arrivals[i], start + 5 * (i + 1)) << i;
    EXPECT_EQ(link.engine().counters().zeroBytes, 1u);

    link.Unplug();
    EXPECT_TRUE(ClosedByPeer(fd));
}

TEST(SimMemoryLink, ReleasedClientDescriptorIsNotClosedTwice) {
    int fd = -1;
    {
        MemoryLink link;
        fd = link.ReleaseClientFd();
    }
    EXPECT_NE(::fcntl(fd, F_GETFD), -1);  // still open: the number is the caller's now
    ::close(fd);
}

TEST(SimPty, PumpedRawDeviceShowsExactBytesRightAfterThePumpAndUnplugEndsReads) {
    TempDir dir;
    const std::string link = dir / "instrument";
    InstrumentConfig config;
    config.reading = 0.00123;
    PtyEndpoint pty(config, link);
    ASSERT_TRUE(pty.Ok()) << pty.Error();
    int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);

    // CR LF and a binary value both pass untranslated, and nothing is echoed.
    std::string query = "*IDN?\r\n" + std::string(kBinaryReadingQuery) + "\n";
    ASSERT_EQ(::write(fd, query.data(), query.size()), static_cast<ssize_t>(query.size()));
    // The kernel passes the client's bytes on a moment later; pump until both arrived.
    uint32_t now = 0;
    EXPECT_TRUE(WaitFor([&] {
        pty.Pump(now++);
        return pty.engine().counters().commands == 2;
    }));
    char buf[256];
    ssize_t n = ::read(fd, buf, sizeof buf);  // no waiting: the pump has settled the bytes
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(n)),
              IdentityLine() + BinaryReply(config.reading));

    pty.Unplug();
    EXPECT_TRUE(pty.Unplugged());
    EXPECT_FALSE(Exists(link));
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 1000), 1);
    EXPECT_TRUE(p.revents & POLLHUP);
    n = ::read(fd, buf, sizeof buf);
    EXPECT_TRUE(n == 0 || (n < 0 && errno == EIO)) << n;
    EXPECT_EQ(::write(fd, "x", 1), -1);
    EXPECT_EQ(errno, EIO);
    ::close(fd);
}

TEST(SimPty, LinkReplacesAStaleSymlinkButNeverAFile) {
    TempDir dir;
    const std::string stale = dir / "stale";
    ASSERT_EQ(::symlink("/nonexistent", stale.c_str()), 0);
    {
        PtyEndpoint pty({}, stale);
        ASSERT_TRUE(pty.Ok()) << pty.Error();
        char target[256] = {};
        ASSERT_GT(::readlink(stale.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(pty.DevicePath(), target);
    }
    EXPECT_FALSE(Exists(stale));

    const std::string file = dir / "file";
    int fd = ::open(file.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ::close(fd);
    PtyEndpoint pty({}, file);
    EXPECT_FALSE(pty.Ok());
    struct stat st {};
    ASSERT_EQ(::lstat(file.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST(SimPty, ThreadAnswersATerminalAcrossReopeningAndStops) {
    PtyEndpoint pty;
    ASSERT_TRUE(pty.Ok()) << pty.Error();
    ASSERT_TRUE(pty.Start());
    for (int round = 0; round < 2; ++round) {
        int fd = ::open(pty.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "*IDN?\r", 6), 6);  // what a terminal program sends on Enter
        EXPECT_EQ(ReadLine(fd), IdentityLine()) << "round " << round;
        ::close(fd);
    }
    pty.Stop();  // returns at all only if it woke the thread, which waits without a time-out
}

TEST(SimTcp, AnswersOnLoopbackAndANewConnectionReplacesTheOld) {
    TcpEndpoint tcp({}, "127.0.0.1", 0);
    ASSERT_TRUE(tcp.Ok()) << tcp.Error();
    ASSERT_NE(tcp.Port(), 0);
    ASSERT_TRUE(tcp.Start());
    auto counters = [&] { return tcp.WithEngine([](Engine& e) { return e.counters(); }); };

    int a = ConnectTcp("127.0.0.1", tcp.Port());
    ASSERT_GE(a, 0);
    ASSERT_TRUE(SendAll(a, "\x14\0"sv));
    ASSERT_TRUE(SendAll(a, "*IDN?\n\0"sv));
    EXPECT_EQ(ReadLine(a), IdentityLine());
    EXPECT_EQ(counters().dc4Bytes, 1u);
    EXPECT_EQ(counters().zeroBytes, 2u);

    ASSERT_TRUE(SendAll(a, "*ID"sv));
    EXPECT_TRUE(WaitFor([&] { return counters().bytesReceived == 12; }));
    int b = ConnectTcp("127.0.0.1", tcp.Port());
    ASSERT_GE(b, 0);
    EXPECT_TRUE(ClosedByPeer(a));
    // The half command of the old connection is gone: "N?" alone is no command.
    ASSERT_TRUE(SendAll(b, "N?\n\0calstr?\n\0"sv));
    EXPECT_EQ(ReadLine(b), InstrumentConfig{}.calstr + "\r\n");
    EXPECT_EQ(counters().connections, 2u);

    tcp.Unplug();
    EXPECT_TRUE(ClosedByPeer(b));
    int c = ConnectTcp("127.0.0.1", tcp.Port());  // still listening after an unplug
    ASSERT_TRUE(SendAll(c, "*IDN?\n\0"sv));
    EXPECT_EQ(ReadLine(c), IdentityLine());
    for (int fd : {a, b, c}) ::close(fd);
}

TEST(SimTcp, HangUpFaultDeliversExactlyTheGivenBytesThenCloses) {
    InstrumentConfig config;
    config.hangUpAfterBytes = 4;
    TcpEndpoint tcp(config, "127.0.0.1", 0);
    ASSERT_TRUE(tcp.Ok()) << tcp.Error();
    ASSERT_TRUE(tcp.Start());
    for (int round = 0; round < 2; ++round) {
        int fd = ConnectTcp("127.0.0.1", tcp.Port());
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(SendAll(fd, "*IDN?\n\0*IDN?\n\0"sv));
        EXPECT_EQ(ReadToEnd(fd), IdentityLine().substr(0, 4)) << "round " << round;
        ::close(fd);
    }
}

TEST(SimMemoryLink, FloodIntoAClientThatDoesNotReadLeavesTheThreadAsleep) {
    InstrumentConfig config;
    config.flood = true;
    MemoryLink link(config);
    ASSERT_TRUE(link.Start());
    const int fd = link.ClientFd();
    ASSERT_TRUE(SendAll(fd, "\x14"sv));
    EXPECT_EQ(ReadLine(fd), FloodLine(1));

    // Once the socket buffers are full the thread must wait for room, not spin: a
    // stretch in which nothing more went out costs next to no CPU.
    auto sent = [&] { return link.WithEngine([](Engine& e) { return e.counters().bytesSent; }); };
    double cpu = 0;
    EXPECT_TRUE(WaitFor([&] {
        uint64_t before = sent();
        double cpuBefore = CpuSeconds();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cpu = CpuSeconds() - cpuBefore;
        return sent() == before;
    }));
    EXPECT_LT(cpu, 0.05);
    link.Stop();
}
