#include <pthread.h>
#include <signal.h>

#include <csignal>

#include "sim/stop_wait.h"

namespace orvane::sim {
namespace {

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

StopWait::StopWait() {
    std::signal(SIGPIPE, SIG_IGN);
    // The endpoint threads inherit this mask, so the signals reach only sigwait.
    sigset_t set = StopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void StopWait::Wait() {
    sigset_t set = StopSignals();
    int received = 0;
    sigwait(&set, &received);
}

}  // namespace orvane::sim
