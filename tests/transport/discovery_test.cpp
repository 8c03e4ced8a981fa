// The answer tests, the found list and the choice of targets without a
// network, then the echo method against a flood on loopback.

#include "transport/discovery.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "support/lan_lab.h"
#include "transport/discovery_targets.h"

using namespace orvane::transport;
using orvane::sim::DiscoveryMethod;
using orvane::testing::LanLab;

namespace {

std::string Padded(std::string text, std::size_t length = 26) {
    text.resize(length, ' ');
    return text;
}
std::string Marked(std::size_t length, char marker) {
    std::string answer(length, '\0');
    answer[3] = marker;
    return answer;
}

}  // namespace

// Each answer form: what makes an echo answer (26 bytes or more, a leading
// "A", the instrument port in use after the first "/") and a query answer
// (30 bytes, F7).
TEST(DiscoveryWire, AnswerFormsAreTakenOrRefused) {
    struct Row {
        const char* name;
        std::string bytes;
        uint16_t port;  // the echo answer's; 0: a query answer
        bool taken;
    } rows[] = {
        {"echo", Padded("Asomething/10001"), 10001, true},
        {"another port in use", Padded("A/23"), 23, true},
        {"leading zeros", Padded("A/010001"), 10001, true},
        {"text after the digits", Padded("A x/10001xyz/23"), 10001, true},
        {"zero bytes are just bytes", Padded(std::string("A\0\0/10001", 9)), 10001, true},
        {"one byte short", Padded("A/10001", 25), 10001, false},
        {"not an A", Padded("a/10001"), 10001, false},
        {"another port", Padded("A/10002"), 10001, false},
        {"only the first slash counts", Padded("A/23/10001"), 10001, false},
        {"no slash", Padded("A no slash 10001"), 10001, false},
        {"a space before the digits", Padded("A/ 10001"), 10001, false},
        {"no digits", Padded("A/", 30), 10001, false},
        {"65537 is not port 1", Padded("A/65537"), 1, false},
        {"2^32 + 10001 does not wrap round to the port", Padded("A/4294977297"), 10001, false},
        {"query", Marked(30, '\xF7'), 0, true},
        {"29 bytes", Marked(29, '\xF7'), 0, false},
        {"31 bytes", Marked(31, '\xF7'), 0, false},
        {"another marker", Marked(30, '\xF6'), 0, false},
    };
    for (const Row& row : rows) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(row.bytes.data());
        EXPECT_EQ(row.port ? IsEchoAnswer(bytes, row.bytes.size(), row.port)
                           : IsQueryAnswer(bytes, row.bytes.size()),
                  row.taken)
            << row.name;
    }
}

TEST(DiscoveryWire, FoundListTakesEachAddressOnceFromTheFront) {
    FoundList list{};
    EXPECT_EQ(AddFoundAddress(0x0A000005, list.data(), 256), 1);
    EXPECT_EQ(AddFoundAddress(0xC0A80114, list.data(), 256), 2);
    EXPECT_EQ(AddFoundAddress(0x0A000005, list.data(), 256), -1);
    EXPECT_EQ(list[0].ipText, "10.0.0.5");
    EXPECT_EQ(list[1].ipText, "192.168.1.20");
    // Only the entries given count.
    EXPECT_EQ(AddFoundAddress(0x0A000006, list.data(), 2), -1);
}

TEST(DiscoveryWire, TargetsComeFromTheSettingTheVariableOrTheBroadcast) {
    std::string rejected;
    auto parsed = ParseDiscoveryAddresses(
        " 127.0.0.2, 127.0.0.3,,127.0.0.2,printer,1.2.3,256.1.1.1,01.2.3.4,1.2.3.4.,9.8.7.65 ",
        &rejected);
    EXPECT_EQ(parsed, (std::vector<uint32_t>{0x7F000002, 0x7F000003, 0x09080741}));
    EXPECT_EQ(rejected, "\"printer\", \"1.2.3\", \"256.1.1.1\", \"01.2.3.4\", \"1.2.3.4.\"");
    EXPECT_EQ(Ipv4Text(0x09080741), "9.8.7.65");

    // Neither given: the limited broadcast first (worked out here, never sent).
    ::unsetenv(kDiscoveryAddressVariable);
    EXPECT_EQ(ResolveDiscoveryTargets(std::nullopt).at(0), kLimitedBroadcast);

    ::setenv(kDiscoveryAddressVariable, "127.0.0.9", 1);
    EXPECT_EQ(ResolveDiscoveryTargets(std::nullopt), std::vector<uint32_t>{0x7F000009});
    // The program's setting wins over the variable.
    EXPECT_EQ(ResolveDiscoveryTargets("127.0.0.7"), std::vector<uint32_t>{0x7F000007});
    // A list given but holding nothing usable, or a mistake, sends nowhere, not to the broadcast.
    std::string note;
    EXPECT_TRUE(ResolveDiscoveryTargets("127.0.0.7,nonsense", &note).empty());
    EXPECT_NE(note.find("\"nonsense\""), std::string::npos);
    ::setenv(kDiscoveryAddressVariable, "", 1);
    EXPECT_TRUE(ResolveDiscoveryTargets(std::nullopt).empty());
    ::unsetenv(kDiscoveryAddressVariable);
}

TEST(DiscoveryWire, AnswersCountOnlyFromTheAddressesOrSubnetsSearched) {
    const std::vector<LocalSubnet> subnets = {
        {0xC0A8010A, 0xFFFFFF00, 0xC0A801FF},   // 192.168.1.10/24
        {0x0A000001, 0xFF000000, 0x0AFFFFFF}};  // 10.0.0.1/8
    const uint32_t onLan = 0xC0A80177, onTen = 0x0A050607, elsewhere = 0xAC100005;
    struct Row {
        std::vector<uint32_t> targets;
        uint32_t sender;
        bool accepted;
    } rows[] = {
        {{kLimitedBroadcast, 0xC0A801FF}, onLan, true},
        {{kLimitedBroadcast}, onTen, true},  // the limited broadcast reaches every subnet
        {{kLimitedBroadcast, 0xC0A801FF}, elsewhere, false},
        {{0xC0A801FF}, onTen, false},  // a directed broadcast reaches its own subnet only
        {{0x7F000002}, 0x7F000002, true},
        {{0x7F000002}, 0x7F000003, false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(AnswerFromTargets(r.sender, r.targets, subnets), r.accepted)
            << Ipv4Text(r.sender);
}

// Real time: the flood comes from another thread while the method runs.
TEST(DiscoveryLoopback, FloodDuringASearchIsTakenOrDroppedByTheRules) {
    LanLab lab;
    auto& echo = lab.AddResponder(DiscoveryMethod::Echo, {lab.Address(0)});
    ASSERT_TRUE(echo.Ok()) << echo.Error();
    // Half the senders were searched; the others are strangers whatever they send.
    const std::vector<std::string> targets = lab.Addresses(0, 21);
    lab.Target(targets);

    // Valid answers from 40 senders among junk of every size from 0 to 64 KiB.
    std::thread flood([&] {
        std::vector<int> senders;
        for (int n = 1; n <= 40; ++n) {
            senders.push_back(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
            sockaddr_in from{};
            from.sin_family = AF_INET;
            ::inet_pton(AF_INET, lab.Address(n).c_str(), &from.sin_addr);
            ::bind(senders.back(), reinterpret_cast<sockaddr*>(&from), sizeof from);
        }
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(lab.Settings().echoLocal);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::mt19937 random(8);
        if (!echo.WaitForQueries(1, 5000)) return;
        for (int i = 0; i < 10000; ++i) {
            const std::string bytes =
                i % 7 == 0 ? "A/" + std::to_string(lab.Settings().tcpPort) + std::string(30, ' ')
                           : std::string(random() % 65508, static_cast<char>(random()));
            ::sendto(senders[std::size_t(i) % senders.size()], bytes.data(), bytes.size(), 0,
                     reinterpret_cast<sockaddr*>(&to), sizeof to);
        }
        for (int fd : senders) ::close(fd);
    });

    FoundList list{};
    int found = Discovery(lab.Settings()).DiscoverByEcho(list.data(), kFoundListSize);
    flood.join();
    // Each sender listed once, the instrument among them: its first answer came before the flood.
    std::set<std::string> distinct, searched(targets.begin(), targets.end());
    for (int i = 0; i < found; ++i) {
        const std::string a = list[std::size_t(i)].ipText.str();
        EXPECT_TRUE(distinct.insert(a).second && searched.count(a)) << a;
    }
    EXPECT_TRUE(distinct.count(lab.Address(0)));
}
