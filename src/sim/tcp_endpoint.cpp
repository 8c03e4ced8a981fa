#include "sim/tcp_endpoint.h"

#include "sim/stream_io.h"

namespace orvane::sim {

TcpEndpoint::TcpEndpoint(InstrumentConfig config, std::string address, uint16_t port)
    : Endpoint(std::move(config)), address_(std::move(address)), port_(port) {
    Listen();
}

TcpEndpoint::~TcpEndpoint() {
    Stop();
    client_.reset();
    listener_.reset();
}

bool TcpEndpoint::HasClient() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return client_.valid();
}

void TcpEndpoint::Service(uint32_t nowMs) {
    if (!listener_.valid()) return;
    Accept(nowMs);
    if (!client_.valid()) return;
    switch (Exchange(client_.get(), true, nowMs)) {
        case StreamState::kOpen:
            break;
        case StreamState::kClosed:
            DropClient("closed");
            break;
        case StreamState::kHungUp:
            DropClient("hang-up fault");
            break;
        case StreamState::kDropped:
            DropClient("instrument restarted");
            break;
    }
}

void TcpEndpoint::AddWaits(ServiceWait& wait) {
    if (listener_.valid()) wait.fds.push_back({listener_.get(), kReadableEvents});
    if (client_.valid()) AddStreamWait(wait, client_.get());
}

void TcpEndpoint::UnplugLocked() {
    DropClient("unplugged");
}

}  // namespace orvane::sim
