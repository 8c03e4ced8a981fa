#include "sim/service_thread.h"

#include "platform/clock.h"

namespace orvane::sim {

bool ServiceThread::Start(Prepare prepare, Step step, platform::Diagnostics* diagnostics) {
    if (Running()) return false;
    wakeFd_.reset(OpenWake());
    if (!wakeFd_.valid()) return false;
    stop_ = false;
    thread_ = std::thread([this, prepare = std::move(prepare), step = std::move(step),
                           diagnostics] { Run(prepare, step, diagnostics); });
    return true;
}

void ServiceThread::Run(const Prepare& prepare, const Step& step,
                        platform::Diagnostics* diagnostics) {
    // Real time always: tests that fake the console's clock still want this thread in real time.
    platform::SystemClock clock;
    while (!stop_) {
        const uint32_t now = clock.TickCount();
        const ServiceWait wait = prepare();
        int timeout = -1;
        if (wait.dueMs) {
            auto left = static_cast<int32_t>(*wait.dueMs - now);
            timeout = left > 0 ? left : 0;
        }
        if (!WaitReady(wait.fds, timeout, diagnostics)) return;
        if (stop_) break;
        step(clock.TickCount());
    }
}

void ServiceThread::Stop() {
    if (!Running()) return;
    stop_ = true;
    Wake();
    thread_.join();
    wakeFd_.reset();
}

}  // namespace orvane::sim
