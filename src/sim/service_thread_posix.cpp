#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/diagnostics.h"
#include "sim/service_thread.h"

namespace orvane::sim {

int ServiceThread::OpenWake() {
    return ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

void ServiceThread::Wake() {
    if (!wakeFd_.valid()) return;
    uint64_t one = 1;
    while (::write(wakeFd_.get(), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void ServiceThread::Run(const Prepare& prepare, const Step& step,
                        platform::Diagnostics* diagnostics) {
    // Real time always: tests that fake the console's clock still want this thread in real time.
    platform::SystemClock clock;
    while (!stop_) {
        uint32_t now = clock.TickCount();
        ServiceWait wait = prepare();
        int timeout = -1;
        if (wait.dueMs) {
            auto left = static_cast<int32_t>(*wait.dueMs - now);
            timeout = left > 0 ? left : 0;
        }
        std::vector<pollfd> fds;
        for (const ServiceWatch& w : wait.fds) fds.push_back({w.fd, w.events, 0});
        fds.push_back({wakeFd_.get(), POLLIN, 0});
        int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR) {
            platform::Trace(diagnostics,
                            std::string("sim: poll failed: ") + std::strerror(errno) + "\n");
            return;
        }
        if (fds.back().revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] ssize_t n = ::read(wakeFd_.get(), &count, sizeof count);
        }
        if (stop_) break;
        step(clock.TickCount());
    }
}

}  // namespace orvane::sim
