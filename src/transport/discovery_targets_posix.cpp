#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include "transport/discovery_targets.h"

namespace orvane::transport {

std::string Ipv4Text(uint32_t address) {
    in_addr a{};
    a.s_addr = htonl(address);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

std::optional<uint32_t> ParseIpv4(std::string_view text) {
    in_addr a{};
    const std::string s(text);
    if (s.size() >= INET_ADDRSTRLEN || ::inet_pton(AF_INET, s.c_str(), &a) != 1)
        return std::nullopt;
    return ntohl(a.s_addr);
}

std::vector<LocalSubnet> LocalSubnets() {
    std::vector<LocalSubnet> out;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return out;
    auto host = [](const sockaddr* a) {
        return ntohl(reinterpret_cast<const sockaddr_in*>(a)->sin_addr.s_addr);
    };
    for (ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !i->ifa_netmask) continue;
        if (!(i->ifa_flags & IFF_UP) || !(i->ifa_flags & IFF_BROADCAST) || !i->ifa_broadaddr)
            continue;
        LocalSubnet s{host(i->ifa_addr), host(i->ifa_netmask), host(i->ifa_broadaddr)};
        if (s.broadcast != 0) out.push_back(s);
    }
    ::freeifaddrs(list);
    return out;
}

}  // namespace orvane::transport
