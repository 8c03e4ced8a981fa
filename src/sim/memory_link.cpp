#include "sim/memory_link.h"

namespace orvane::sim {

MemoryLink::~MemoryLink() {
    Stop();
    instrument_.reset();
    client_.reset();
}

int MemoryLink::ReleaseClientFd() {
    std::lock_guard<std::mutex> lock(mutex_);
    return client_.release();
}

bool MemoryLink::Unplugged() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !instrument_.valid();
}

void MemoryLink::Service(uint32_t nowMs) {
    if (!instrument_.valid()) return;
    if (Exchange(instrument_.get(), true, nowMs) != StreamState::kOpen) UnplugLocked();
}

void MemoryLink::AddWaits(ServiceWait& wait) {
    if (instrument_.valid()) AddStreamWait(wait, instrument_.get());
}

void MemoryLink::UnplugLocked() {
    instrument_.reset();
    DropOutgoing();
}

}  // namespace orvane::sim
