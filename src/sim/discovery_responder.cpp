#include "sim/discovery_responder.h"

#include <chrono>

#include "sim/stream_io.h"

namespace orvane::sim {

DiscoveryResponder::DiscoveryResponder(DiscoveryResponderConfig config)
    : config_(std::move(config)) {
    if (!AnswerFitsMethod(config_.answer, config_.method)) {
        error_ = std::string("answer \"") + std::string(DiscoveryAnswerName(config_.answer)) +
                 "\" does not apply to the " +
                 (config_.method == DiscoveryMethod::Echo ? "echo" : "query") + " method";
        return;
    }
    Bind();
}

DiscoveryResponder::~DiscoveryResponder() {
    Stop();
}

bool DiscoveryResponder::Start() {
    if (!Ok()) return false;
    return thread_.Start(
        [this] {
            ServiceWait wait;
            for (const auto& fd : fds_) wait.fds.push_back({fd.get(), kReadableEvents});
            return wait;
        },
        [this](uint32_t) {
            std::lock_guard<std::mutex> lock(mutex_);
            ServeLocked();
        },
        config_.instrument.diagnostics);
}

void DiscoveryResponder::Stop() {
    thread_.Stop();
}

uint64_t DiscoveryResponder::Queries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queries_;
}

uint64_t DiscoveryResponder::Answers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return answers_;
}

bool DiscoveryResponder::WaitForQueries(uint64_t n, uint32_t ms) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return queries_ >= n; });
}

}  // namespace orvane::sim
