// The answer tests, the found list and the choice of targets: no network.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "transport/discovery.h"
#include "transport/discovery_targets.h"

using namespace orvane::transport;

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
// "A", the port in use after the first "/") and a query answer (30 bytes, F7).
TEST(DiscoveryWire, AnswerFormsAreTakenOrRefused) {
    struct Row {
        const char* name;
        std::string bytes;
        bool echo;  // which test it is for
        bool taken;
    } rows[] = {
        {"echo", Padded("Asomething/10001"), true, true},
        {"leading zeros", Padded("A/010001"), true, true},
        {"text after the digits", Padded("A x/10001xyz/23"), true, true},
        {"zero bytes are just bytes", Padded(std::string("A\0\0/10001", 9)), true, true},
        {"one byte short", Padded("A/10001", 25), true, false},
        {"not an A", Padded("B/10001"), true, false},
        {"a lower-case a", Padded("a/10001"), true, false},
        {"another port", Padded("A/10002"), true, false},
        {"only the first slash counts", Padded("A/23/10001"), true, false},
        {"no slash", Padded("A no slash 10001"), true, false},
        {"a space before the digits", Padded("A/ 10001"), true, false},
        {"a sign before the digits", Padded("A/+10001"), true, false},
        {"no digits", Padded("A/", 30), true, false},
        {"2^32 + 10001 does not wrap round to the port", Padded("A/4294977297"), true, false},
        {"query", Marked(30, '\xF7'), false, true},
        {"29 bytes", Marked(29, '\xF7'), false, false},
        {"31 bytes", Marked(31, '\xF7'), false, false},
        {"another marker", Marked(30, '\xF6'), false, false},
    };
    for (const Row& row : rows) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(row.bytes.data());
        EXPECT_EQ(row.echo ? IsEchoAnswer(bytes, row.bytes.size(), 10001)
                           : IsQueryAnswer(bytes, row.bytes.size()),
                  row.taken)
            << row.name;
    }
    // The number is the instrument port in use, and 65537 is not port 1.
    const std::string other = Padded("A/23"), wrapped = Padded("A/65537");
    EXPECT_TRUE(IsEchoAnswer(reinterpret_cast<const uint8_t*>(other.data()), 26, 23));
    EXPECT_FALSE(IsEchoAnswer(reinterpret_cast<const uint8_t*>(wrapped.data()), 26, 1));
    EXPECT_FALSE(IsEchoAnswer(nullptr, 30, 10001));
    EXPECT_FALSE(IsQueryAnswer(nullptr, 30));
}

TEST(DiscoveryWire, FoundListTakesEachAddressOnceFromTheFront) {
    FoundList list{};
    EXPECT_EQ(AddFoundAddress(0x0A000005, list.data(), 256), 1);
    EXPECT_EQ(AddFoundAddress(0xC0A80114, list.data(), 256), 2);
    EXPECT_EQ(AddFoundAddress(0x0A000005, list.data(), 256), -1);
    EXPECT_EQ(list[0].ipText, "10.0.0.5");
    EXPECT_EQ(list[1].ipText, "192.168.1.20");
    EXPECT_TRUE(list[2].ipText.empty());
    // Only the entries given count.
    EXPECT_EQ(AddFoundAddress(0x0A000006, list.data(), 2), -1);

    for (uint32_t a = 1; a <= 300; ++a)
        AddFoundAddress(0x0A010000 + a, list.data(), kFoundListSize);
    EXPECT_EQ(list[255].ipText, "10.1.0.254");
    EXPECT_EQ(AddFoundAddress(0xFFFFFFFF, list.data(), kFoundListSize), -1);
    EXPECT_EQ(list[255].ipText, "10.1.0.254");
    EXPECT_EQ(AddFoundAddress(1, nullptr, 5), -1);
}

TEST(DiscoveryWire, TargetsComeFromTheSettingTheVariableOrTheBroadcast) {
    std::string rejected;
    auto parsed = ParseDiscoveryAddresses(
        " 127.0.0.2, 127.0.0.3,,127.0.0.2,printer,1.2.3,256.1.1.1 ", &rejected);
    EXPECT_EQ(parsed, (std::vector<uint32_t>{0x7F000002, 0x7F000003}));
    EXPECT_EQ(rejected, "\"printer\", \"1.2.3\", \"256.1.1.1\"");

    // Neither given: the limited broadcast first (worked out here, never sent).
    ::unsetenv(kDiscoveryAddressVariable);
    std::string note;
    auto broadcast = ResolveDiscoveryTargets(std::nullopt, &note);
    ASSERT_FALSE(broadcast.empty());
    EXPECT_EQ(broadcast[0], kLimitedBroadcast);
    EXPECT_EQ(note, "broadcast");

    ::setenv(kDiscoveryAddressVariable, "127.0.0.9", 1);
    EXPECT_EQ(ResolveDiscoveryTargets(std::nullopt), std::vector<uint32_t>{0x7F000009});
    // The program's setting wins over the variable.
    EXPECT_EQ(ResolveDiscoveryTargets("127.0.0.7"), std::vector<uint32_t>{0x7F000007});
    // A list given but holding nothing usable, or a mistake, sends nowhere, not to the broadcast.
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
        {{0x7F000002}, onLan, false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(AnswerFromTargets(r.sender, r.targets, subnets), r.accepted)
            << Ipv4Text(r.sender);
}
