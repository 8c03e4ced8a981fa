// The discovery responders and their command-line options.

#include "sim/discovery_responder.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "sim/sim_options.h"

using namespace orvane::sim;

namespace {

bool Parse(std::vector<const char*> args, SimOptions& o, std::string& error) {
    args.insert(args.begin(), "orvane2-sim");
    return ParseSimOptions(static_cast<int>(args.size()), args.data(), o, error);
}

struct Answer {
    std::string bytes;
    std::string from;
};

// Collects one answer per address at most (real time).
// Each address gets every datagram of sends, in order.
std::vector<Answer> Ask(const std::vector<std::string>& to, uint16_t port, const std::vector<std::string>& sends) {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    for (const std::string& a : to) {
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(port);
        ::inet_pton(AF_INET, a.c_str(), &sa.sin_addr);
        for (const std::string& bytes : sends) {
            ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        }
    }
    std::vector<Answer> out;
    pollfd p{fd, POLLIN, 0};
    while (out.size() < to.size() && ::poll(&p, 1, 2000) > 0) {
        char buf[2048];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        ssize_t n = ::recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n < 0) break;
        char text[INET_ADDRSTRLEN];
        out.push_back({std::string(buf, std::size_t(n)), ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text)});
    }
    ::close(fd);
    return out;
}

}  // namespace

TEST(DiscoveryResponder, EachAddressAnswersTheQueryFromItself) {
    DiscoveryResponderConfig c;
    c.method = DiscoveryMethod::Query;
    c.addresses = {"127.0.0.2", "127.0.0.3"};
    c.port = 0;
    DiscoveryResponder responder(c);
    ASSERT_TRUE(responder.Ok()) << responder.Error();
    ASSERT_TRUE(responder.Start());

    // What is not the query goes first and gets no answer: the first datagram
    // back is the answer to the query.
    auto answers = Ask(c.addresses, responder.Port(),
                       {std::string("\0\0\0\xF5", 4), "X", std::string("\0\0\0\xF6", 4)});
    ASSERT_EQ(answers.size(), 2u);
    std::set<std::string> senders;
    for (const Answer& a : answers) {
        senders.insert(a.from);
        EXPECT_EQ(a.bytes.size(), 30u);
        EXPECT_EQ(a.bytes[3], '\xF7');
    }
    EXPECT_EQ(senders, (std::set<std::string>{"127.0.0.2", "127.0.0.3"}));
    EXPECT_TRUE(responder.WaitForQueries(2, 1000));
    EXPECT_EQ(responder.Queries(), 2u);
    EXPECT_EQ(responder.Answers(), 2u);

    c.answer = DiscoveryAnswer::Short;
    DiscoveryResponder wrong(c);
    EXPECT_FALSE(wrong.Ok());
    EXPECT_FALSE(wrong.Start());
}

TEST(DiscoveryResponder, CommandLineChoosesMethodsFormAndAddresses) {
    SimOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--discover", "echo"}, o, error)) << error;
    EXPECT_TRUE(o.discoverEcho);
    EXPECT_FALSE(o.discoverQuery);
    EXPECT_EQ(o.discoverAddresses, std::vector<std::string>{"127.0.0.1"});

    o = {};
    ASSERT_TRUE(Parse({"--tcp", "127.0.0.4", "--discover", "both", "--discover-answer", "oversized",
                       "--echo-port", "4000", "--query-port", "4001"},
                      o, error))
        << error;
    EXPECT_EQ(o.discoverAddresses, std::vector<std::string>{"127.0.0.4"});
    EXPECT_EQ(o.discoverAnswer, DiscoveryAnswer::Oversized);
    EXPECT_EQ(o.echoPort, 4000);
    EXPECT_EQ(o.queryPort, 4001);

    o = {};
    ASSERT_TRUE(Parse({"--discover", "query", "--discover-on", "127.0.0.2,127.0.0.3"}, o, error));
    EXPECT_EQ(o.discoverAddresses, (std::vector<std::string>{"127.0.0.2", "127.0.0.3"}));

    for (std::vector<const char*> bad : std::vector<std::vector<const char*>>{
             {"--discover", "all"},
             {"--discover", "both", "--discover-answer", "short"},
             {"--discover", "echo", "--discover-answer", "loud"},
             {"--discover", "echo", "--discover-on", "127.0.0.300"},
             {"--discover", "echo", "--echo-port", "0"}}) {
        o = {};
        error.clear();
        EXPECT_FALSE(Parse(bad, o, error)) << bad[1];
        EXPECT_FALSE(error.empty());
    }
}
