#include "sim/endpoint.h"

#include <algorithm>
#include <cassert>

#include "sim/stream_io.h"

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
            StreamIo got = ReadStream(fd, socket, buf, sizeof buf);
            if (got.outcome == StreamIo::kAgain) break;
            if (got.outcome == StreamIo::kClosed) return StreamState::kClosed;
            engine_.Feed(buf, got.n, nowMs);
            if (got.n < sizeof buf || !RoomForInput()) break;
        }
    }

    // Only taken when the last lot is out, so trickled bytes leave on time rather
    // than piling up behind a client that does not read.
    if (outgoing_.empty()) outgoing_ = engine_.TakeOutput(nowMs);
    while (!outgoing_.empty()) {
        std::size_t room = std::min(outgoing_.size(), WriteRoom(fd));
        if (room == 0) break;
        StreamIo put = WriteStream(fd, socket, outgoing_.data(), room);
        if (put.outcome == StreamIo::kAgain) break;
        if (put.outcome == StreamIo::kClosed) return StreamState::kClosed;
        outgoing_.erase(0, put.n);
        Written(fd, put.n);
    }

    if (engine_.HangUp() && outgoing_.empty()) return StreamState::kHungUp;
    if (outgoing_.empty() && engine_.PendingOutput() == 0 && engine_.TakeDropRequest())
        return StreamState::kDropped;
    return StreamState::kOpen;
}

void Endpoint::AddStreamWait(ServiceWait& wait, int fd) const {
    short events = 0;
    if (RoomForInput()) events |= kReadableEvents;
    if (!outgoing_.empty()) {
        events |= kWritableEvents;
    } else {
        wait.dueMs = engine_.NextDue();
    }
    wait.fds.push_back({fd, events});
}

}  // namespace orvane::sim
