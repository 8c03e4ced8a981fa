#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

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

bool ServiceThread::WaitReady(const std::vector<ServiceWatch>& watches, int timeoutMs,
                              platform::Diagnostics* diagnostics) {
    std::vector<pollfd> fds;
    for (const ServiceWatch& w : watches) fds.push_back({w.fd, w.events, 0});
    fds.push_back({wakeFd_.get(), POLLIN, 0});
    if (::poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR) {
        platform::Trace(diagnostics,
                        std::string("sim: poll failed: ") + std::strerror(errno) + "\n");
        return false;
    }
    if (fds.back().revents & POLLIN) {
        uint64_t count;
        [[maybe_unused]] ssize_t n = ::read(wakeFd_.get(), &count, sizeof count);
    }
    return true;
}

}  // namespace orvane::sim
