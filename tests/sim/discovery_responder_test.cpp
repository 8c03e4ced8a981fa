// The discovery responders' command-line options; the responders themselves
// serve the discovery tests on loopback.

#include "sim/discovery_responder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/sim_options.h"

using namespace orvane::sim;

namespace {

bool Parse(std::vector<const char*> args, SimOptions& o, std::string& error) {
    args.insert(args.begin(), "orvane2-sim");
    return ParseSimOptions(static_cast<int>(args.size()), args.data(), o, error);
}

}  // namespace

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
    ASSERT_TRUE(
        Parse({"--discover", "query", "--discover-on", "127.0.0.2,127.0.0.3", "--link", "/tmp/x"},
              o, error));
    EXPECT_EQ(o.discoverAddresses, (std::vector<std::string>{"127.0.0.2", "127.0.0.3"}));
    EXPECT_TRUE(o.pty);

    for (std::vector<const char*> bad : std::vector<std::vector<const char*>>{
             {"--discover", "all"},
             {"--discover", "both", "--discover-answer", "short"},
             {"--discover", "echo", "--discover-answer", "loud"},
             {"--discover", "echo", "--discover-on", "127.0.0.300"},
             {"--discover", "echo", "--echo-port", "0"},
             {"--discover", "echo", "--query-port", "65536"}}) {
        o = {};
        error.clear();
        EXPECT_FALSE(Parse(bad, o, error)) << bad[1];
        EXPECT_FALSE(error.empty());
    }

    // Built in code, a form the method cannot carry is refused just the same.
    DiscoveryResponderConfig c;
    c.method = DiscoveryMethod::Query;
    c.answer = DiscoveryAnswer::Short;
    DiscoveryResponder wrong(c);
    EXPECT_FALSE(wrong.Ok());
    EXPECT_FALSE(wrong.Start());
}
