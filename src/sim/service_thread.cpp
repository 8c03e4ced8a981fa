#include "sim/service_thread.h"

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

void ServiceThread::Stop() {
    if (!Running()) return;
    stop_ = true;
    Wake();
    thread_.join();
    wakeFd_.reset();
}

}  // namespace orvane::sim
