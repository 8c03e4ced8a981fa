// The LAN search against simulated instruments on loopback: how long the Find
// dialog's checks take side by side, beside checking the addresses one by one.
//
// usage: bench_discovery [--instruments N] [--dead N] [--one-by-one]
//   --instruments N  responsive instruments (16)
//   --dead N         found addresses that accept no connection (4)
//   --one-by-one     also run the checks one after another, not just estimate them

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "connection/lan_find_dialog.h"
#include "support/fake_lan_find.h"
#include "support/lan_lab.h"
#include "transport/discovery.h"

using namespace orvane;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kLimitSeconds = 3.0;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Checks {
    double seconds = 0;
    double sumOfChecks = 0;
    int identified = 0;
    int rows = 0;
};

Checks RunDialog(transport::FoundList list, int found, const transport::LinkOptions& options,
                 int workers) {
    connection::LanFindDialog dialog(list.data(), found, options, workers);
    testing::FakeLanFindView view;
    auto start = Clock::now();
    dialog.OnStart(view);
    Checks c;
    c.seconds = SecondsSince(start);
    c.rows = view.RowCount();
    for (const auto& r : dialog.Results()) {
        c.sumOfChecks += r.elapsedMs / 1000.0;
        if (r.outcome == connection::ProbeOutcome::Identified) ++c.identified;
    }
    return c;
}

bool Count(const char* text, int& out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!text[0] || *end || v < 0 || v > 200) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int instruments = 16;
    int dead = 4;
    bool oneByOne = false;
    for (int i = 1; i < argc; ++i) {
        bool ok = true;
        if (!std::strcmp(argv[i], "--instruments") && i + 1 < argc) {
            ok = Count(argv[++i], instruments);
        } else if (!std::strcmp(argv[i], "--dead") && i + 1 < argc) {
            ok = Count(argv[++i], dead);
        } else if (!std::strcmp(argv[i], "--one-by-one")) {
            oneByOne = true;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr,
                         "usage: bench_discovery [--instruments N] [--dead N] [--one-by-one]\n");
            return 2;
        }
    }

    testing::LanLab lab;
    int total = instruments + dead;
    for (int n = 0; n < instruments; ++n) {
        if (!lab.AddInstrument(n).Ok()) {
            std::fprintf(stderr, "bench_discovery: cannot serve an instrument on %s\n",
                         lab.Address(n).c_str());
            return 1;
        }
    }
    for (int n = instruments; n < total; ++n) {
        if (!lab.AddBlackHole(n)) {
            std::fprintf(stderr, "bench_discovery: cannot set up %s\n", lab.Address(n).c_str());
            return 1;
        }
    }
    auto addresses = lab.Addresses(0, total);
    if (!lab.AddResponder(sim::DiscoveryMethod::Echo, addresses).Ok()) {
        std::fprintf(stderr, "bench_discovery: cannot answer the discovery queries\n");
        return 1;
    }
    lab.Target(addresses);

    // The UDP phase as the search runs it.
    transport::FoundList list{};
    auto udpStart = Clock::now();
    int found =
        transport::Discovery(lab.Settings()).DiscoverByEcho(list.data(), transport::kFoundListSize);
    if (found < transport::kFoundListSize) {
        int more = transport::Discovery(lab.Settings())
                       .DiscoverByQuery(list.data() + found, transport::kFoundListSize - found);
        if (more > 0) found += more;
    }
    double udpSeconds = SecondsSince(udpStart);

    Checks side = RunDialog(list, found, lab.Options(), connection::kLanFindWorkers);
    std::printf("LAN search on loopback: %d instruments, %d addresses that accept no connection\n",
                instruments, dead);
    std::printf("  UDP phase (both methods)        %6.2f s   %d found\n", udpSeconds, found);
    std::printf("  checks side by side (%2d at once) %6.2f s   %d rows, %d identified\n",
                connection::kLanFindWorkers, side.seconds, side.rows, side.identified);
    std::printf("  checks one by one, estimated    %6.2f s   (the sum of the checks)\n",
                side.sumOfChecks);
    if (oneByOne) {
        Checks serial = RunDialog(list, found, lab.Options(), 1);
        std::printf("  checks one by one, measured     %6.2f s   %d rows, %d identified\n",
                    serial.seconds, serial.rows, serial.identified);
    }
    double ratio = side.seconds > 0 ? side.sumOfChecks / side.seconds : 0;
    bool pass = found == total && side.rows == total && side.identified == instruments &&
                side.seconds < kLimitSeconds;
    std::printf("  ratio one-by-one / side-by-side %6.1fx; limit %.1f s after the UDP phase: %s\n",
                ratio, kLimitSeconds, pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
