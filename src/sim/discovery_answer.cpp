#include "sim/discovery_answer.h"

#include <algorithm>
#include <array>

namespace orvane::sim {
namespace {

constexpr std::size_t kEchoMinLength = 26;
constexpr std::size_t kQueryLength = 30;
constexpr std::size_t kOversizedLength = 1500;
constexpr uint8_t kQueryMarker = 0xF6;
constexpr uint8_t kAnswerMarker = 0xF7;

struct Named {
    DiscoveryAnswer answer;
    std::string_view name;
};
constexpr std::array<Named, 10> kNames{{
    {DiscoveryAnswer::Valid, "valid"},
    {DiscoveryAnswer::Silent, "silent"},
    {DiscoveryAnswer::Empty, "empty"},
    {DiscoveryAnswer::Oversized, "oversized"},
    {DiscoveryAnswer::OtherPort, "other-port"},
    {DiscoveryAnswer::Short, "short"},
    {DiscoveryAnswer::NotA, "not-a"},
    {DiscoveryAnswer::Length29, "length-29"},
    {DiscoveryAnswer::Length31, "length-31"},
    {DiscoveryAnswer::WrongMarker, "wrong-marker"},
}};

// A "/" in a field would come before the port's and hide it.
std::string WithoutSlashes(std::string text) {
    std::replace(text.begin(), text.end(), '/', '-');
    return text;
}

std::string EchoAnswer(const InstrumentConfig& config, uint16_t port) {
    std::string text = "A" +
                       WithoutSlashes(config.maker + " " + config.model + " " + config.serial) +
                       " tcp/" + std::to_string(port);
    if (text.size() < kEchoMinLength) text.resize(kEchoMinLength, ' ');
    return text;
}

std::string QueryAnswer(const InstrumentConfig& config, uint32_t address) {
    std::string bytes(kQueryLength, '\0');
    bytes[3] = static_cast<char>(kAnswerMarker);
    // A made-up hardware address from the IPv4 address, then the model's name.
    const uint8_t mac[6] = {0x02,
                            0x00,
                            static_cast<uint8_t>(address >> 24),
                            static_cast<uint8_t>(address >> 16),
                            static_cast<uint8_t>(address >> 8),
                            static_cast<uint8_t>(address)};
    for (std::size_t i = 0; i < 6; ++i) bytes[4 + i] = static_cast<char>(mac[i]);
    std::string name = config.model.substr(0, kQueryLength - 10);
    std::copy(name.begin(), name.end(), bytes.begin() + 10);
    return bytes;
}

}  // namespace

std::string_view DiscoveryAnswerName(DiscoveryAnswer answer) {
    for (const Named& n : kNames) {
        if (n.answer == answer) return n.name;
    }
    return "?";
}

bool ParseDiscoveryAnswer(std::string_view name, DiscoveryAnswer& answer) {
    for (const Named& n : kNames) {
        if (n.name == name) {
            answer = n.answer;
            return true;
        }
    }
    return false;
}

bool AnswerFitsMethod(DiscoveryAnswer answer, DiscoveryMethod method) {
    switch (answer) {
        case DiscoveryAnswer::OtherPort:
        case DiscoveryAnswer::Short:
        case DiscoveryAnswer::NotA:
            return method == DiscoveryMethod::Echo;
        case DiscoveryAnswer::Length29:
        case DiscoveryAnswer::Length31:
        case DiscoveryAnswer::WrongMarker:
            return method == DiscoveryMethod::Query;
        default:
            return true;
    }
}

bool IsDiscoveryQuery(DiscoveryMethod method, const uint8_t* data, std::size_t length) {
    if (!data) return false;
    if (method == DiscoveryMethod::Echo) return length == 1 && data[0] == 'X';
    return length == 4 && data[0] == 0 && data[1] == 0 && data[2] == 0 && data[3] == kQueryMarker;
}

std::string DiscoveryAnswerBytes(DiscoveryMethod method, DiscoveryAnswer answer,
                                 const InstrumentConfig& config, uint16_t tcpPort,
                                 uint32_t address) {
    bool echo = method == DiscoveryMethod::Echo;
    std::string valid = echo ? EchoAnswer(config, tcpPort) : QueryAnswer(config, address);
    switch (answer) {
        case DiscoveryAnswer::Valid:
            return valid;
        case DiscoveryAnswer::Silent:
        case DiscoveryAnswer::Empty:
            return {};
        case DiscoveryAnswer::Oversized:
            valid.resize(kOversizedLength, echo ? ' ' : '\0');
            return valid;
        case DiscoveryAnswer::OtherPort:
            return EchoAnswer(config, static_cast<uint16_t>(tcpPort == 65535 ? 23 : tcpPort + 1));
        case DiscoveryAnswer::Short: {
            // Everything else right: "A", then the port after the first "/".
            std::string text = "A/" + std::to_string(tcpPort);
            text.resize(kEchoMinLength - 1, ' ');
            return text;
        }
        case DiscoveryAnswer::NotA:
            valid[0] = 'B';
            return valid;
        case DiscoveryAnswer::Length29:
            valid.resize(kQueryLength - 1);
            return valid;
        case DiscoveryAnswer::Length31:
            valid.resize(kQueryLength + 1, '\0');
            return valid;
        case DiscoveryAnswer::WrongMarker:
            valid[3] = static_cast<char>(kQueryMarker);
            return valid;
    }
    return valid;
}

}  // namespace orvane::sim
