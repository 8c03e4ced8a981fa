#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include "transport/discovery_targets.h"

namespace orvane::transport {

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
