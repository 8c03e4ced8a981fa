#pragma once
// Small helpers shared by the benchmarks: a steady clock in microseconds, a
// blasting writer thread, and the report line each benchmark ends with.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "transport/connection_record.h"
#include "transport/tcp_link.h"

namespace orvane::bench {

inline double NowUs() {
    using namespace std::chrono;
    return static_cast<double>(
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One result: a figure, its limit and whether it is met. Returns ok.
inline bool Report(const char* what, double value, const char* unit, double limit,
                   bool lowerIsBetter) {
    bool ok = lowerIsBetter ? value <= limit : value >= limit;
    double ratio = limit != 0 ? value / limit : 0;
    std::printf("%-52s %12.3f %-8s limit %10.3f  ratio %6.3f  %s\n", what, value, unit, limit,
                ratio, ok ? "ok" : "MISSED");
    return ok;
}

// The rate of ours against a peer's, measured back to back `rounds` times so
// that each pair sees the same load on the machine; prints every round and
// returns the median ratio (the figure the limits are set against).
template <class Peer, class Ours>
double MedianRatio(const char* peerName, const char* oursName, Peer peer, Ours ours,
                   int rounds = 3) {
    std::vector<double> ratios;
    for (int i = 1; i <= rounds; ++i) {
        double p = peer(), o = ours();
        std::printf("round %d: %s %8.1f MB/s, %s %8.1f MB/s, ratio %.3f\n", i, peerName, p,
                    oursName, o, p > 0 ? o / p : 0);
        ratios.push_back(p > 0 ? o / p : 0);
    }
    return Median(ratios);
}

// A TCP listener on loopback (ephemeral port) whose first client receives
// `bytes` as fast as the kernel takes them.
class Blaster {
  public:
    explicit Blaster(std::string bytes) : bytes_(std::move(bytes)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listener_, 4);
        socklen_t len = sizeof addr;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] {
            int c = ::accept(listener_, nullptr, nullptr);
            if (c < 0) return;
            std::size_t done = 0;
            while (done < bytes_.size()) {
                ssize_t n = ::send(c, bytes_.data() + done, bytes_.size() - done, MSG_NOSIGNAL);
                if (n <= 0) break;
                done += static_cast<std::size_t>(n);
            }
            ::close(c);
        });
    }
    ~Blaster() {
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        if (thread_.joinable()) thread_.join();
    }
    uint16_t port() const { return port_; }

  private:
    std::string bytes_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
};

// Lines of reply text, like an instrument streaming readings.
inline std::string ReplyLines(std::size_t total) {
    std::string out;
    out.reserve(total + 64);
    for (int i = 0; out.size() < total; ++i)
        out += "1.23456E+0" + std::to_string(i % 10) + ",READING," + std::to_string(i) + "\r\n";
    return out;
}

inline int ConnectLoopback(uint16_t port) {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

// Opens a LAN record on the loopback listener at port, as OpenChannel would but
// without the wake byte and drain, so every byte sent is measured.
inline void ConnectLanRecord(transport::ConnectionRecord& r, uint16_t port) {
    r.interfaceKind = transport::InterfaceKind::Lan;
    r.ipAddress = "127.0.0.1";
    r.linkOptions.tcpPort = port;
    r.link = transport::TcpLink::Connect("127.0.0.1", r.linkOptions).link;
    r.channelOpen = true;
}

// MB/s of a plain read() loop taking all of `data` from a Blaster: the peer
// every byte path is measured against.
inline double RawReadRate(const std::string& data) {
    Blaster source(data);
    int s = ConnectLoopback(source.port());
    std::vector<char> buf(65536);
    std::size_t got = 0;
    double t0 = NowUs();
    while (got < data.size()) {
        ssize_t n = ::read(s, buf.data(), buf.size());
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    double t1 = NowUs();
    ::close(s);
    return static_cast<double>(got) / (t1 - t0);
}

}  // namespace orvane::bench
