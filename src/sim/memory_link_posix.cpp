#include <fcntl.h>
#include <sys/socket.h>

#include "sim/memory_link.h"

namespace orvane::sim {

MemoryLink::MemoryLink(InstrumentConfig config) : Endpoint(std::move(config)) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
    client_.reset(fds[0]);
    instrument_.reset(fds[1]);
    ::fcntl(instrument_.get(), F_SETFL, ::fcntl(instrument_.get(), F_GETFL) | O_NONBLOCK);
    ok_ = true;
}

}  // namespace orvane::sim
