#pragma once
// Where the discovery queries go: the limited broadcast and the broadcast address
// of every IPv4 interface (Linux sends the limited broadcast out of one interface
// only), or the addresses named in ORVANE2_DISCOVERY_ADDRESS instead, for a
// network without a broadcast route and for tests on loopback.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::transport {

inline constexpr const char kDiscoveryAddressVariable[] = "ORVANE2_DISCOVERY_ADDRESS";
inline constexpr uint32_t kLimitedBroadcast = 0xFFFFFFFFu;

// IPv4 addresses are held in host byte order throughout the discovery.
std::string Ipv4Text(uint32_t address);
// The four-part dotted form only ("10.0.0.1"); nothing for any other text.
std::optional<uint32_t> ParseIpv4(std::string_view text);

// "a.b.c.d,e.f.g.h": the addresses in order, each once. Entries that are not
// dotted IPv4 addresses are left out and named in *rejected.
std::vector<uint32_t> ParseDiscoveryAddresses(std::string_view text,
                                              std::string* rejected = nullptr);

// An IPv4 interface that can broadcast: its address, netmask and broadcast address.
struct LocalSubnet {
    uint32_t address = 0;
    uint32_t mask = 0;
    uint32_t broadcast = 0;
};
std::vector<LocalSubnet> LocalSubnets();

// 255.255.255.255 and then the broadcast address of every interface that has one.
std::vector<uint32_t> BroadcastTargets();

// Whether an answer from sender can be one to a query sent to targets: the
// sender was a target itself, or it lies in the subnet of an interface whose
// broadcast address was a target (every interface's, for the limited
// broadcast). Anything else is a spoof or the answer to another search.
bool AnswerFromTargets(uint32_t sender, const std::vector<uint32_t>& targets,
                       const std::vector<LocalSubnet>& subnets);

// The program's setting (the variable's format) when there is one, else the
// variable, else the broadcast targets. *note says which, and what was wrong
// with a given list. A given list with an entry that is not an address yields
// no target.
std::vector<uint32_t> ResolveDiscoveryTargets(const std::optional<std::string>& setting,
                                              std::string* note = nullptr);

// The entries of the given list that are not dotted IPv4 addresses, quoted and
// comma-separated, with *source naming the setting or variable that holds
// them; empty when there are none.
std::string RejectedDiscoveryAddresses(const std::optional<std::string>& setting,
                                       std::string* source = nullptr);

}  // namespace orvane::transport
