// The two discovery methods against simulated instruments on loopback.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <random>
#include <set>
#include <string>
#include <thread>

#include "platform/diagnostics.h"
#include "sim/discovery_responder.h"
#include "support/lan_lab.h"
#include "transport/discovery.h"

using namespace orvane;
using namespace orvane::transport;
using orvane::sim::DiscoveryAnswer;
using orvane::sim::DiscoveryMethod;
using orvane::testing::LanLab;

namespace {

std::vector<std::string> Listed(const FoundInstrument* list, int count) {
    std::vector<std::string> out;
    for (int i = 0; i < count && !list[i].ipText.empty(); ++i) out.push_back(list[i].ipText.str());
    return out;
}

int Sender(const std::string& address) {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    ::inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    return fd;
}

void SendTo(int fd, const std::string& bytes, uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

}  // namespace

TEST(DiscoveryLoopback, AHeldPortFindsNothingByThatMethodAndTheTraceSaysWhy) {
    orvane::testing::VirtualLab v;
    platform::Diagnostics diagnostics{v.clock};
    v.lab.Settings().diagnostics = &diagnostics;
    for (DiscoveryMethod m : {DiscoveryMethod::Echo, DiscoveryMethod::Query})
        v.lab.AddResponder(m, {v.lab.Address(0)}, DiscoveryAnswer::Valid, false);
    v.lab.Target({v.lab.Address(0)});
    std::string trace;
    diagnostics.SetSink([&](std::string_view s) { trace += s; });

    // Another program holds the echo method's port, without sharing it.
    int holder = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(v.lab.Settings().echoLocal);
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    FoundList list{};
    EXPECT_EQ(Discovery(v.lab.Settings()).DiscoverByEcho(list.data(), kFoundListSize), 0);
    EXPECT_NE(trace.find("bind to UDP port " + std::to_string(v.lab.Settings().echoLocal)),
              std::string::npos);
    EXPECT_EQ(Discovery(v.lab.Settings()).DiscoverByQuery(list.data(), kFoundListSize), 1);
    ::close(holder);
}

// Real time: the flood comes from another thread while the method runs.
TEST(DiscoveryLoopback, FloodDuringASearchIsTakenOrDroppedByTheRules) {
    LanLab lab;
    auto& echo = lab.AddResponder(DiscoveryMethod::Echo, {lab.Address(0)});
    ASSERT_TRUE(echo.Ok()) << echo.Error();
    // Half the senders were searched; the others are strangers whatever they send.
    lab.Target(lab.Addresses(0, 21));

    // Valid answers from 40 senders among junk of every size from 0 to 64 KiB.
    std::set<std::string> validSenders{lab.Address(0)};
    std::thread flood([&] {
        std::vector<int> senders;
        for (int n = 1; n <= 40; ++n) senders.push_back(Sender(lab.Address(n)));
        std::mt19937 random(8);
        if (!echo.WaitForQueries(1, 5000)) return;
        for (int i = 0; i < 10000; ++i) {
            std::string bytes;
            if (i % 7 == 0) {
                bytes = "A/" + std::to_string(lab.TcpPort()) + std::string(30, ' ');
            } else {
                bytes.assign(random() % 65508, static_cast<char>(random()));
            }
            SendTo(senders[std::size_t(i) % senders.size()], bytes, lab.Settings().echoLocal);
        }
        for (int fd : senders) ::close(fd);
    });
    for (int n = 1; n <= 20; ++n) validSenders.insert(lab.Address(n));

    FoundList list{};
    int found = Discovery(lab.Settings()).DiscoverByEcho(list.data(), kFoundListSize);
    flood.join();
    // Each sender listed once, the instrument among them: its first answer came before the flood.
    auto listed = Listed(list.data(), kFoundListSize);
    std::set<std::string> distinct(listed.begin(), listed.end());
    EXPECT_EQ(distinct.size(), std::size_t(found));
    EXPECT_TRUE(distinct.count(lab.Address(0)));
    for (const std::string& a : listed) EXPECT_TRUE(validSenders.count(a)) << a;
}
