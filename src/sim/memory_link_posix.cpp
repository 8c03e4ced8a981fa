#include "sim/memory_link.h"

#include <fcntl.h>
#include <sys/socket.h>

namespace orvane::sim {

MemoryLink::MemoryLink(InstrumentConfig config) : Endpoint(std::move(config)) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
    client_ = fds[0];
    instrument_ = fds[1];
    ::fcntl(instrument_, F_SETFL, ::fcntl(instrument_, F_GETFL) | O_NONBLOCK);
    ok_ = true;
}

MemoryLink::~MemoryLink() {
    Stop();
    CloseFd(instrument_);
    CloseFd(client_);
}

int MemoryLink::ReleaseClientFd() {
    std::lock_guard<std::mutex> lock(mutex_);
    int fd = client_;
    client_ = -1;
    return fd;
}

bool MemoryLink::Unplugged() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return instrument_ < 0;
}

void MemoryLink::Service(uint32_t nowMs) {
    if (instrument_ < 0) return;
    if (Exchange(instrument_, true, nowMs) != StreamState::kOpen) UnplugLocked();
}

void MemoryLink::AddWaits(ServiceWait& wait) {
    if (instrument_ >= 0) AddStreamWait(wait, instrument_);
}

void MemoryLink::UnplugLocked() {
    CloseFd(instrument_);
    DropOutgoing();
}

}  // namespace orvane::sim
