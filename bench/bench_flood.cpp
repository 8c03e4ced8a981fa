// orvane2-cli console against socat, each reading the same unthrottled flood
// from orvane2-sim (a count of numbered lines as fast as the link takes them),
// over a pseudo-terminal and over TCP. For each: lines/s, MB/s, CPU per line
// and peak RSS of the reader alone (wait4), and every line checked in order.
//
// Three rounds; the ratios and sizes judged are their medians.
//
// usage: bench_flood [LINES]   (or ORVANE_FLOOD_LINES; 10000000 unless given)

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "bench_util.h"
#include "sim/engine.h"
#include "sim/tcp_endpoint.h"
#include "support/run_program.h"

using namespace orvane;

namespace {

// Past this long without a byte from the reader, its run is given up.
constexpr int kStallMs = 30000;

double CpuUs(const rusage& use) {
    return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) * 1e6 +
           static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec);
}

// Checks the flood lines a reader printed: "FLOOD nnnnnnnnnn", a CR or not,
// numbered from 1 without a gap. Other lines (an echo, a prompt) are passed over.
class LineCheck {
  public:
    LineCheck() : expected_(sim::FloodLine(1, true)) {}

    void Take(const char* data, std::size_t n) {
        std::string_view in(data, n);
        while (!in.empty()) {
            std::size_t end = in.find('\n');
            if (end == std::string_view::npos) {
                partial_.append(in);
                return;
            }
            if (partial_.empty()) {
                Line(in.substr(0, end));
            } else {
                partial_.append(in.substr(0, end));
                Line(partial_);
                partial_.clear();
            }
            in.remove_prefix(end + 1);
        }
    }
    uint64_t lines() const { return lines_; }
    uint64_t faults() const { return faults_; }
    double firstUs() const { return firstUs_; }

  private:
    void Line(std::string_view line) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line == expected_) {
            if (lines_++ == 0) firstUs_ = bench::NowUs();
            for (std::size_t d = expected_.size() - 1; expected_[d] != ' '; --d) {
                if (++expected_[d] <= '9') break;
                expected_[d] = '0';
            }
        } else if (line.substr(0, 6) == "FLOOD ") {
            ++faults_;  // lost, repeated or out of order
        }
    }

    std::string expected_;
    std::string partial_;
    uint64_t lines_ = 0;
    uint64_t faults_ = 0;
    double firstUs_ = 0;
};

struct Result {
    uint64_t lines = 0;
    uint64_t faults = 0;
    double seconds = 0;  // first flood line to last
    double cpuUs = 0;    // the reader's user + system time
    double rssMb = 0;
    // On the same two cores: the simulator writing, this program counting.
    double writerCpuUs = 0;
    double counterCpuUs = 0;

    double LinesPerSecond() const { return seconds > 0 ? static_cast<double>(lines) / seconds : 0; }
    double MbPerSecond() const {
        return LinesPerSecond() * static_cast<double>(sim::FloodLine(1).size()) / 1e6;
    }
    double CpuUsPerLine() const { return lines > 0 ? cpuUs / static_cast<double>(lines) : 0; }
};

// Starts the reader, asks for the flood through its stdin, counts what it
// prints until every line is in (or it stalls), then ends its input.
Result Read(const std::vector<std::string>& args, uint64_t count) {
    Result result;
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return result;
    ::fcntl(out[0], F_SETPIPE_SZ, 1 << 20);
    pid_t pid = testing::Spawn(args[0], {args.begin() + 1, args.end()}, {in[0], out[1], -1});
    ::close(in[0]);
    ::close(out[1]);
    if (pid < 0) {
        std::fprintf(stderr, "bench_flood: cannot start %s\n", args[0].c_str());
        ::close(in[1]);
        ::close(out[0]);
        return result;
    }
    // A command the instrument does not know starts its counted flood.
    const char ask[] = "flood\n";
    if (::write(in[1], ask, sizeof ask - 1) < 0) std::perror("bench_flood: write");

    rusage self0{};
    ::getrusage(RUSAGE_SELF, &self0);
    LineCheck check;
    std::vector<char> buf(1 << 20);
    double last = bench::NowUs();
    bool open = true;
    while (open && check.lines() < count) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, kStallMs) <= 0) break;
        ssize_t n = ::read(out[0], buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        open = n > 0;
        if (open) check.Take(buf.data(), static_cast<std::size_t>(n));
        last = bench::NowUs();
        // A reader writing a line at a time would otherwise have this program
        // read a line at a time too, on the cores it shares: let lines gather.
        if (open && n < 16 * 1024) ::usleep(1000);
    }
    rusage self1{};
    ::getrusage(RUSAGE_SELF, &self1);
    result.counterCpuUs = CpuUs(self1) - CpuUs(self0);
    result.lines = check.lines();
    result.faults = check.faults();
    result.seconds = check.lines() > 0 ? (last - check.firstUs()) / 1e6 : 0;

    // End of input ends both readers; whatever they print meanwhile is drained.
    ::close(in[1]);
    ::fcntl(out[0], F_SETFL, O_NONBLOCK);
    rusage use{};
    for (int waited = 0;; waited += 10) {
        while (::read(out[0], buf.data(), buf.size()) > 0) {
        }
        int status = 0;
        if (::wait4(pid, &status, WNOHANG, &use) == pid) break;
        if (waited >= 10000) {  // it does not end: its figures are what it used until now
            ::kill(pid, SIGKILL);
            ::wait4(pid, &status, 0, &use);
            break;
        }
        ::usleep(10 * 1000);
    }
    ::close(out[0]);
    result.cpuUs = CpuUs(use);
    result.rssMb = static_cast<double>(use.ru_maxrss) / 1024.0;
    return result;
}

void Print(const char* link, const char* reader, const Result& r, uint64_t count) {
    const double n = r.lines > 0 ? static_cast<double>(r.lines) : 1;
    std::printf(
        "%-4s %-8s %9llu/%llu lines %10.0f lines/s %7.1f MB/s %7.3f us CPU/line "
        "%6.1f MB RSS  (sim %.3f, counting %.3f us/line)%s\n",
        link, reader, static_cast<unsigned long long>(r.lines),
        static_cast<unsigned long long>(count), r.LinesPerSecond(), r.MbPerSecond(),
        r.CpuUsPerLine(), r.rssMb, r.writerCpuUs / n, r.counterCpuUs / n,
        r.faults > 0 ? "  OUT OF ORDER" : "");
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t count = 10000000;
    const char* env = std::getenv("ORVANE_FLOOD_LINES");
    if (argc > 1) {
        count = std::strtoull(argv[1], nullptr, 10);
    } else if (env != nullptr) {
        count = std::strtoull(env, nullptr, 10);
    }
    if (count == 0 || count > UINT32_MAX) {
        std::fprintf(stderr, "usage: bench_flood [LINES]\n");
        return 64;
    }
    ::signal(SIGPIPE, SIG_IGN);
    const std::string cli = ORVANE2_CLI_PATH;
    const std::string socat = "/usr/bin/socat";
    if (::access(socat.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "bench_flood: %s missing (./dev bench installs it)\n", socat.c_str());
        return 1;
    }
    const std::string lines = std::to_string(count);
    // The console's fixed LAN port, on a loopback address of this process's own.
    const std::string address = testing::OwnLoopbackAddress(93);
    std::printf("flood of %llu lines, reader's own CPU and peak RSS\n",
                static_cast<unsigned long long>(count));

    using Args = std::vector<std::string>;
    // A fresh simulator for each run, so that each reader gets the whole count.
    auto run = [&](const Args& simArgs, auto readerArgs) {
        testing::SimProcess s(simArgs);
        Result r;
        if (std::vector<std::string> said = s.LinesUntilReady();
            !said.empty() && said.back() == "ready")
            r = Read(readerArgs(s.PtyPath()), count);
        // The reader is reaped by now: what the children's time grows by is the simulator's.
        rusage before{}, after{};
        ::getrusage(RUSAGE_CHILDREN, &before);
        s.Signal(SIGTERM);
        s.Wait();
        ::getrusage(RUSAGE_CHILDREN, &after);
        r.writerCpuUs = CpuUs(after) - CpuUs(before);
        return r;
    };
    const Args pty = {"--pty", "--flood-count", lines};
    // The console serves on the instrument's fixed port; socat takes the same one.
    const std::string tcp = address + ":" + std::to_string(sim::kInstrumentTcpPort);
    const Args tcpSim = {"--tcp", tcp, "--flood-count", lines};
    // Three rounds, each with the four readers back to back; the figures judged
    // are the medians of the rounds, so that one disturbed run decides nothing.
    constexpr int kRounds = 3;
    std::vector<double> cpuPty, cpuTcp, mbTcp, rssPty, rssTcp;
    uint64_t missing = 0;
    for (int round = 1; round <= kRounds; ++round) {
        std::printf("round %d\n", round);
        Result cliPty = run(pty, [&](const std::string& device) {
            return Args{cli, "--usb", device, "--quiet-ms", "100", "console"};
        });
        Result socatPty = run(pty, [&](const std::string& device) {
            return Args{socat, "-t", "0.1", "FILE:" + device + ",rawer", "-"};
        });
        Result cliTcp = run(tcpSim, [&](const std::string&) {
            return Args{cli, "--lan", address, "--quiet-ms", "100", "console"};
        });
        Result socatTcp = run(tcpSim, [&](const std::string&) {
            return Args{socat, "-t", "0.1", "TCP:" + tcp, "-"};
        });
        Print("pty", "console", cliPty, count);
        Print("pty", "socat", socatPty, count);
        Print("tcp", "console", cliTcp, count);
        Print("tcp", "socat", socatTcp, count);
        auto ratio = [](double a, double b) { return b > 0 ? a / b : 1e9; };
        cpuPty.push_back(ratio(cliPty.CpuUsPerLine(), socatPty.CpuUsPerLine()));
        cpuTcp.push_back(ratio(cliTcp.CpuUsPerLine(), socatTcp.CpuUsPerLine()));
        mbTcp.push_back(ratio(cliTcp.MbPerSecond(), socatTcp.MbPerSecond()));
        rssPty.push_back(cliPty.rssMb);
        rssTcp.push_back(cliTcp.rssMb);
        for (const Result* r : {&cliPty, &socatPty, &cliTcp, &socatTcp})
            missing += (count - r->lines) + r->faults;
    }

    bool ok = true;
    ok &= bench::Report("lines lost or out of order, every run", static_cast<double>(missing),
                        "lines", 0, true);
    ok &= bench::Report("console CPU per line / socat's, pty (median)", bench::Median(cpuPty), "x",
                        2, true);
    ok &= bench::Report("console CPU per line / socat's, TCP (median)", bench::Median(cpuTcp), "x",
                        2, true);
    ok &= bench::Report("console MB/s / socat's, TCP (median)", bench::Median(mbTcp), "x", 0.25,
                        false);
    ok &= bench::Report("console peak RSS, pty (median)", bench::Median(rssPty), "MB", 16, true);
    ok &= bench::Report("console peak RSS, TCP (median)", bench::Median(rssTcp), "MB", 16, true);
    return ok ? 0 : 1;
}
