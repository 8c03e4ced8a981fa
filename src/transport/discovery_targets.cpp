#include "transport/discovery_targets.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/text.h"

namespace orvane::transport {
namespace {

void AddOnce(std::vector<uint32_t>& list, uint32_t address) {
    if (std::find(list.begin(), list.end(), address) == list.end()) list.push_back(address);
}

// The list given instead of the broadcast, and where it came from; nothing when none was.
std::optional<std::string> GivenList(const std::optional<std::string>& setting,
                                     std::string& source) {
    if (setting) {
        source = "the program's setting";
        return setting;
    }
    if (const char* env = std::getenv(kDiscoveryAddressVariable)) {
        source = kDiscoveryAddressVariable;
        return std::string(env);
    }
    return std::nullopt;
}

}  // namespace

std::string Ipv4Text(uint32_t address) {
    return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
           std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

// As the systems' inet_pton takes it: four decimal parts of 0 to 255, no sign,
// no leading zero, nothing else.
std::optional<uint32_t> ParseIpv4(std::string_view text) {
    uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (text.empty() || text[0] != '.') return std::nullopt;
            text.remove_prefix(1);
        }
        std::size_t digits = 0;
        uint32_t value = 0;
        while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9' && digits < 4)
            value = value * 10 + static_cast<uint32_t>(text[digits++] - '0');
        if (digits == 0 || value > 255 || (digits > 1 && text[0] == '0')) return std::nullopt;
        address = address << 8 | value;
        text.remove_prefix(digits);
    }
    if (!text.empty()) return std::nullopt;
    return address;
}

std::vector<uint32_t> ParseDiscoveryAddresses(std::string_view text, std::string* rejected) {
    std::vector<uint32_t> out;
    if (rejected) rejected->clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        std::string_view entry = platform::Trim(
            text.substr(start,
                        comma == std::string_view::npos ? std::string_view::npos : comma - start),
            platform::kBlanks);
        if (!entry.empty()) {
            std::string entryText(entry);
            if (auto address = ParseIpv4(entryText)) {
                AddOnce(out, *address);
            } else if (rejected) {
                if (!rejected->empty()) *rejected += ", ";
                *rejected += "\"" + entryText.substr(0, 64) + "\"";
            }
        }
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return out;
}

std::vector<uint32_t> BroadcastTargets() {
    std::vector<uint32_t> out{kLimitedBroadcast};
    for (const LocalSubnet& s : LocalSubnets()) AddOnce(out, s.broadcast);
    return out;
}

bool AnswerFromTargets(uint32_t sender, const std::vector<uint32_t>& targets,
                       const std::vector<LocalSubnet>& subnets) {
    auto targeted = [&](uint32_t a) {
        return std::find(targets.begin(), targets.end(), a) != targets.end();
    };
    if (targeted(sender)) return true;
    for (const LocalSubnet& s : subnets) {
        bool searched = targeted(kLimitedBroadcast) || targeted(s.broadcast);
        if (searched && (sender & s.mask) == (s.address & s.mask)) return true;
    }
    return false;
}

std::string RejectedDiscoveryAddresses(const std::optional<std::string>& setting,
                                       std::string* source) {
    std::string from;
    std::optional<std::string> given = GivenList(setting, from);
    std::string rejected;
    if (given) ParseDiscoveryAddresses(*given, &rejected);
    if (source) *source = rejected.empty() ? std::string() : from;
    return rejected;
}

std::vector<uint32_t> ResolveDiscoveryTargets(const std::optional<std::string>& setting,
                                              std::string* note) {
    std::string source;
    std::optional<std::string> given = GivenList(setting, source);
    if (!given) {
        std::vector<uint32_t> targets = BroadcastTargets();
        if (note) *note = "broadcast";
        return targets;
    }
    // A list that was given but holds nothing usable sends nothing: falling back to
    // the broadcast would reach networks the user meant to leave alone. Nor does
    // one with a mistake in it: a search of part of what the user named would
    // pass for a search of all of it.
    std::string rejected;
    std::vector<uint32_t> targets = ParseDiscoveryAddresses(*given, &rejected);
    if (!rejected.empty()) targets.clear();
    if (note) {
        *note = "addresses from " + source;
        if (!rejected.empty()) *note += "; not IPv4 addresses: " + rejected;
        if (targets.empty()) *note += "; no address to send to";
    }
    return targets;
}

}  // namespace orvane::transport
