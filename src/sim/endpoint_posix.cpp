#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>

#include "sim/endpoint.h"

namespace orvane::sim {

Endpoint::Endpoint(InstrumentConfig config) : engine_(std::move(config)) {}

Endpoint::~Endpoint() {
    assert(!Running() && "derived endpoints stop their thread first");
}

void Endpoint::Pump(uint32_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    pumped_ = true;
    Service(nowMs);
    pumped_ = false;
}

bool Endpoint::Start() {
    return thread_.Start(
        [this] {
            std::lock_guard<std::mutex> lock(mutex_);
            ServiceWait wait;
            AddWaits(wait);
            return wait;
        },
        [this](uint32_t now) {
            std::lock_guard<std::mutex> lock(mutex_);
            Service(now);
        },
        engine_.config().diagnostics);
}

void Endpoint::Stop() {
    thread_.Stop();
}

void Endpoint::Unplug() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        UnplugLocked();
    }
    thread_.Wake();
}

bool Endpoint::RoomForInput() const {
    return outgoing_.size() + engine_.PendingOutput() < kBacklogLimit;
}

Endpoint::StreamState Endpoint::Exchange(int fd, bool socket, uint32_t nowMs) {
    if (RoomForInput()) {
        char buf[4096];
        for (;;) {
            ssize_t n = socket ? ::recv(fd, buf, sizeof buf, 0) : ::read(fd, buf, sizeof buf);
            if (n > 0) {
                engine_.Feed(buf, static_cast<std::size_t>(n), nowMs);
                if (static_cast<std::size_t>(n) < sizeof buf || !RoomForInput()) break;
                continue;
            }
            if (n == 0) return StreamState::kClosed;
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            return StreamState::kClosed;
        }
    }

    // Only taken when the last lot is out, so trickled bytes leave on time rather
    // than piling up behind a client that does not read.
    if (outgoing_.empty()) outgoing_ = engine_.TakeOutput(nowMs);
    while (!outgoing_.empty()) {
        std::size_t room = std::min(outgoing_.size(), WriteRoom(fd));
        if (room == 0) break;
        ssize_t n = socket ? ::send(fd, outgoing_.data(), room, MSG_NOSIGNAL)
                           : ::write(fd, outgoing_.data(), room);
        if (n > 0) {
            outgoing_.erase(0, static_cast<std::size_t>(n));
            Written(fd, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        return StreamState::kClosed;
    }

    if (engine_.HangUp() && outgoing_.empty()) return StreamState::kHungUp;
    if (outgoing_.empty() && engine_.PendingOutput() == 0 && engine_.TakeDropRequest())
        return StreamState::kDropped;
    return StreamState::kOpen;
}

void Endpoint::AddStreamWait(ServiceWait& wait, int fd) const {
    short events = 0;
    if (RoomForInput()) events |= POLLIN;
    if (!outgoing_.empty()) {
        events |= POLLOUT;
    } else {
        wait.dueMs = engine_.NextDue();
    }
    wait.fds.push_back({fd, events, 0});
}

}  // namespace orvane::sim
