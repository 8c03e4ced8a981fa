#include "platform/win32_support.h"
// After winsock2.h and windows.h.
#include <iphlpapi.h>
#include <ws2tcpip.h>

#include <vector>

#include "transport/discovery_targets.h"

namespace orvane::transport {

std::vector<LocalSubnet> LocalSubnets() {
    std::vector<LocalSubnet> out;
    constexpr ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST |
                             GAA_FLAG_SKIP_DNS_SERVER | GAA_FLAG_SKIP_FRIENDLY_NAME;
    // The list can grow between the call that sizes it and the one that fills it.
    std::vector<unsigned char> buffer(16 * 1024);
    ULONG size = 0;
    ULONG status = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
        size = static_cast<ULONG>(buffer.size());
        status =
            ::GetAdaptersAddresses(AF_INET, kFlags, nullptr,
                                   reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
        if (status == ERROR_BUFFER_OVERFLOW) buffer.resize(size);
    }
    if (status != NO_ERROR) return out;
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
        // Loopback has no broadcast, as on Linux.
        if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
        for (auto* u = a->FirstUnicastAddress; u; u = u->Next) {
            const sockaddr* sa = u->Address.lpSockaddr;
            if (!sa || sa->sa_family != AF_INET) continue;
            const ULONG prefix = u->OnLinkPrefixLength;
            // /31 and /32 links have no broadcast address.
            if (prefix == 0 || prefix > 30) continue;
            LocalSubnet s;
            s.address = ntohl(reinterpret_cast<const sockaddr_in*>(sa)->sin_addr.s_addr);
            s.mask = 0xFFFFFFFFu << (32 - prefix);
            s.broadcast = s.address | ~s.mask;
            out.push_back(s);
        }
    }
    return out;
}

}  // namespace orvane::transport
