#pragma once
// A small LAN on loopback: simulated instruments each on an address of its own
// (127.X.Y.Z), all on one TCP port, discovery responders, and addresses where
// nothing answers. Every port is a free one picked for this run and every
// target a loopback address, so runs side by side never meet and nothing
// leaves the machine.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "sim/discovery_responder.h"
#include "sim/tcp_endpoint.h"
#include "support/fake_clock.h"
#include "transport/discovery.h"
#include "transport/discovery_targets.h"
#include "transport/link.h"

namespace orvane::testing {

// A port free on every local address for the given socket type.
inline uint16_t FreePort(int type) {
    int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    socklen_t len = sizeof sa;
    uint16_t port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) == 0) {
        port = ntohs(sa.sin_port);
    }
    if (fd >= 0) ::close(fd);
    return port;
}

class LanLab {
  public:
    // The clock the searches and links wait on; none: the system's.
    explicit LanLab(platform::Clock* clock = nullptr) {
        // A /16 of loopback of this process's own, so parallel runs use other addresses.
        second_ = 20 + static_cast<int>(::getpid() % 200);
        tcpPort_ = FreePort(SOCK_STREAM);
        settings_ = {FreePort(SOCK_DGRAM),
                     FreePort(SOCK_DGRAM),
                     FreePort(SOCK_DGRAM),
                     0,
                     tcpPort_,
                     "",
                     clock,
                     nullptr};
        settings_.queryQuery = settings_.queryLocal;  // as on a real network: one port both ways
    }
    ~LanLab() {
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
        return {.tcpPort = tcpPort_, .clock = settings_.clock};
    }

    // The queries go to these addresses only.
    void Target(const std::vector<std::string>& addresses) {
        std::string list;
        for (const std::string& a : addresses) list += (list.empty() ? "" : ",") + a;
        settings_.addresses = list;
    }

    // An instrument on TCP at Address(n); started on its own thread unless a
    // fake clock pumps it.
    sim::TcpEndpoint& AddInstrument(int n, sim::InstrumentConfig config = {}, bool start = true) {
        instruments_.push_back(
            std::make_unique<sim::TcpEndpoint>(std::move(config), Address(n), tcpPort_));
        if (start && instruments_.back()->Ok()) instruments_.back()->Start();
        return *instruments_.back();
    }

    sim::DiscoveryResponder& AddResponder(sim::DiscoveryMethod method,
                                          std::vector<std::string> addresses,
                                          sim::DiscoveryAnswer answer = sim::DiscoveryAnswer::Valid,
                                          bool start = true) {
        sim::DiscoveryResponderConfig c;
        c.method = method;
        c.answer = answer;
        c.addresses = std::move(addresses);
        c.port = method == sim::DiscoveryMethod::Echo ? settings_.echoQuery : settings_.queryQuery;
        c.tcpPort = tcpPort_;
        responders_.push_back(std::make_unique<sim::DiscoveryResponder>(std::move(c)));
        if (start && responders_.back()->Ok()) responders_.back()->Start();
        return *responders_.back();
    }

    // Address(n) accepts no connection: a listener whose queue is full drops
    // further attempts, which then wait out the whole connect limit, as an
    // address where no machine answers does.
    bool AddBlackHole(int n) {
        int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(tcpPort_);
        ::inet_pton(AF_INET, Address(n).c_str(), &sa.sin_addr);
        if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
            ::listen(listener, 0) != 0) {
            if (listener >= 0) ::close(listener);
            return false;
        }
        holes_.push_back(listener);
        // Fill the queue.
        for (int i = 0; i < 2; ++i) {
            int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
            holes_.push_back(fd);
        }
        return true;
    }

    // Pumps every instrument and responder not on a thread (fake-clock tests).
    void Pump(uint32_t now) {
        for (auto& i : instruments_) {
            if (!i->Running()) i->Pump(now);
        }
        for (auto& r : responders_) {
            if (!r->Running()) r->Pump(now);
        }
    }

    uint16_t TcpPort() const { return tcpPort_; }
    // How to search the lab: its ports, and nowhere until Target says where.
    transport::DiscoverySettings& Settings() { return settings_; }

  private:
    int second_;
    uint16_t tcpPort_;
    transport::DiscoverySettings settings_;
    std::vector<std::unique_ptr<sim::TcpEndpoint>> instruments_;
    std::vector<std::unique_ptr<sim::DiscoveryResponder>> responders_;
    std::vector<int> holes_;
};

// The lab in virtual time: instruments and responders added with start = false
// answer whenever the code under test sleeps.
struct VirtualLab {
    VirtualLab() : pump(clock.AddPump([this](uint32_t now) { lab.Pump(now); })) {}
    ~VirtualLab() { clock.RemovePump(pump); }
    FakeClock clock;
    LanLab lab{&clock};
    int pump;
};

}  // namespace orvane::testing
