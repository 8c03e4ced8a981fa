// The byte path and the command round trip over TCP loopback.
//  - "*IDN?" to its reply line against the simulated instrument: median within 1 ms.
//  - ChannelReadByte against a plain read() loop over the same kind of link:
//    at least half its throughput (median of three rounds).

#include <cstdio>
#include <string>
#include <vector>

#include "bench_util.h"
#include "platform/clock.h"
#include "sim/tcp_endpoint.h"
#include "transport/channel.h"

using namespace orvane;

namespace {

double RoundTripMedianUs() {
    sim::TcpEndpoint instrument({}, "127.0.0.1", 0);
    instrument.Start();
    transport::ConnectionRecord r;
    r.interfaceKind = transport::InterfaceKind::Lan;
    r.ipAddress = "127.0.0.1";
    r.linkOptions.tcpPort = instrument.Port();
    transport::OpenChannel(r);
    std::vector<double> samples;
    std::string buf;
    for (int i = 0; i < 2000; ++i) {
        double t0 = bench::NowUs();
        transport::ChannelSend("*IDN?\n", r);
        int n = transport::ChannelReceiveLine(buf, 256, r);
        double t1 = bench::NowUs();
        if (n <= 0) {
            std::printf("round trip: no reply\n");
            break;
        }
        if (i >= 100) samples.push_back(t1 - t0);  // after warming up
    }
    transport::CloseChannel(r);
    instrument.Stop();
    return bench::Median(samples);
}

// MB/s of ChannelReadByte taking all of data; got is what arrived.
double ChannelReadRate(const std::string& data, std::size_t& got) {
    const std::size_t total = data.size();
    bench::Blaster source(data);
    transport::ConnectionRecord r;
    bench::ConnectLanRecord(r, source.port());
    got = 0;
    double t0 = bench::NowUs();
    platform::SystemClock clock;
    while (got < total) {
        int b = transport::ChannelReadByte(r);
        if (b >= 0) {
            ++got;
        } else if (b == -1 || !clock.WaitReadable(transport::ChannelDescriptor(r), 1000)) {
            break;
        }
    }
    double t1 = bench::NowUs();
    transport::CloseChannel(r);
    return static_cast<double>(got) / (t1 - t0);
}

}  // namespace

int main() {
    bool ok = true;
    ok &= bench::Report("round trip *IDN? over TCP loopback (median)", RoundTripMedianUs() / 1000.0,
                        "ms", 1.0, true);
    const std::string data = bench::ReplyLines(64u << 20);
    std::size_t got = 0, short_runs = 0;
    double ratio = bench::MedianRatio(
        "plain read() loop", "ChannelReadByte", [&] { return bench::RawReadRate(data); },
        [&] {
            double rate = ChannelReadRate(data, got);
            short_runs += got != data.size();
            return rate;
        });
    ok &= bench::Report("ChannelReadByte / read() throughput (median)", ratio, "x", 0.5, false);
    ok &= bench::Report("runs with a byte missing", static_cast<double>(short_runs), "", 0, true);
    return ok ? 0 : 1;
}
