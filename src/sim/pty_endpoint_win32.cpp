#include "sim/pty_endpoint.h"

namespace orvane::sim {

// Windows has no pseudo-terminals. Users who want the instrument on a COM port
// serve it on TCP and carry it there with a virtual COM port pair of their own.
inline constexpr char kNoPseudoTerminals[] =
    "pseudo-terminals are not available on Windows; serve on TCP (--tcp) instead";

bool PtyEndpoint::Available() {
    return false;
}

PtyEndpoint::PtyEndpoint(InstrumentConfig config, std::string linkPath)
    : Endpoint(std::move(config)), linkPath_(std::move(linkPath)), error_(kNoPseudoTerminals) {}

PtyEndpoint::~PtyEndpoint() {
    Stop();
}

bool PtyEndpoint::Unplugged() const {
    return true;
}

void PtyEndpoint::Service(uint32_t) {}

void PtyEndpoint::AddWaits(ServiceWait&) {}

void PtyEndpoint::UnplugLocked() {}

std::size_t PtyEndpoint::WriteRoom(int) {
    return 0;
}

void PtyEndpoint::Written(int, std::size_t) {}

}  // namespace orvane::sim
