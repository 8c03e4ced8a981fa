#pragma once
// A small LAN on loopback: simulated instruments each on an address of its own
// (127.X.Y.Z), discovery responders, and addresses where nothing answers. Every
// port is a free one picked for this run, so runs side by side never meet.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/discovery_responder.h"
#include "sim/tcp_endpoint.h"
#include "support/fake_clock.h"
#include "transport/discovery.h"
#include "transport/link.h"

namespace orvane::testing {

class LanLab {
  public:
    // On a fake clock the lab answers whenever the code under test waits;
    // otherwise each instrument and responder runs on a thread of its own.
    explicit LanLab(FakeClock* clock = nullptr) : clock_(clock) {
        // A /16 of loopback of this process's own, so parallel runs use other addresses.
        second_ = 20 + static_cast<int>(::getpid() % 200);
        settings_.echoLocal = FreePort(SOCK_DGRAM);
        settings_.echoQuery = FreePort(SOCK_DGRAM);
        // As on a real network: one port both ways.
        settings_.queryLocal = settings_.queryQuery = FreePort(SOCK_DGRAM);
        settings_.tcpPort = FreePort(SOCK_STREAM);
        settings_.addresses = "";
        settings_.clock = clock;
        if (clock_) pump_ = clock_->AddPump([this](uint32_t now) { Pump(now); });
    }
    ~LanLab() {
        if (clock_) clock_->RemovePump(pump_);
        for (int fd : holes_) ::close(fd);
    }

    // The n-th address of the lab (n from 0): 127.X.Y.Z, never .0, .1 or .255.
    std::string Address(int n) const {
        return "127." + std::to_string(second_) + "." + std::to_string(n / 250) + "." +
               std::to_string(n % 250 + 2);
    }
    std::vector<std::string> Addresses(int first, int count) const {
        std::vector<std::string> out;
        for (int n = first; n < first + count; ++n) out.push_back(Address(n));
        return out;
    }
    // Links to the lab's instruments.
    transport::LinkOptions Options() const {
        return {.tcpPort = settings_.tcpPort, .clock = clock_};
    }

    // The queries go to these addresses only.
    void Target(const std::vector<std::string>& addresses) {
        std::string list;
        for (const std::string& a : addresses) list += (list.empty() ? "" : ",") + a;
        settings_.addresses = list;
    }

    sim::TcpEndpoint& AddInstrument(int n, sim::InstrumentConfig config = {}) {
        return Started(instruments_, std::move(config), Address(n), settings_.tcpPort);
    }

    sim::DiscoveryResponder& AddResponder(
        sim::DiscoveryMethod method, std::vector<std::string> addresses,
        sim::DiscoveryAnswer answer = sim::DiscoveryAnswer::Valid) {
        sim::DiscoveryResponderConfig c;
        c.method = method;
        c.answer = answer;
        c.addresses = std::move(addresses);
        c.port = method == sim::DiscoveryMethod::Echo ? settings_.echoQuery : settings_.queryQuery;
        c.tcpPort = settings_.tcpPort;
        return Started(responders_, std::move(c));
    }

    // Address(n) accepts no connection: a full listen queue drops further attempts,
    // which wait out the connect limit as for an address where nothing answers.
    bool AddBlackHole(int n) {
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(settings_.tcpPort);
        ::inet_pton(AF_INET, Address(n).c_str(), &sa.sin_addr);
        int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        holes_.push_back(listener);
        if (::bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
            ::listen(listener, 0) != 0)
            return false;
        for (int i = 0; i < 2; ++i) {
            holes_.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
            ::connect(holes_.back(), reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        }
        return true;
    }

    // How to search the lab: its ports, and nowhere until Target says where.
    transport::DiscoverySettings& Settings() { return settings_; }

  private:
    void Pump(uint32_t now) {
        for (auto& i : instruments_) i->Pump(now);
        for (auto& r : responders_) r->Pump(now);
    }
    static uint16_t FreePort(int type) {
        int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        socklen_t len = sizeof sa;
        ::bind(fd, reinterpret_cast<sockaddr*>(&sa), len);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
        ::close(fd);
        return ntohs(sa.sin_port);
    }
    template <typename T, typename... Args>
    T& Started(std::vector<std::unique_ptr<T>>& all, Args&&... args) {
        all.push_back(std::make_unique<T>(std::forward<Args>(args)...));
        if (!clock_ && all.back()->Ok()) all.back()->Start();
        return *all.back();
    }

    FakeClock* clock_;
    int pump_ = 0;
    int second_;
    transport::DiscoverySettings settings_;
    std::vector<std::unique_ptr<sim::TcpEndpoint>> instruments_;
    std::vector<std::unique_ptr<sim::DiscoveryResponder>> responders_;
    std::vector<int> holes_;
};

}  // namespace orvane::testing
