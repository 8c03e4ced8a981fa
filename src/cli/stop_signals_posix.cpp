#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string>

#include "cli/stop_signals.h"

namespace orvane::cli {
namespace {

constexpr int kCaught[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kCaughtCount = sizeof kCaught / sizeof kCaught[0];

// What the handler reads. Everything but the atomics is written only while no
// handler is installed.
struct Caught {
    bool hold = false;
    StopSignals::RestoreTerminal restoreTerminal = nullptr;
    bool installed[kCaughtCount]{};
    struct sigaction previous[kCaughtCount] {};
    // Texts are made before the handler can run: it may only write(2) them.
    std::string notice, warning, stopped, clearLine;
    std::atomic<int> presses{0};
    std::atomic<int64_t> lastPressMs{0};
    std::atomic<int> held{0};
};
Caught g_caught;

int IndexOf(int sig) {
    for (int i = 0; i < kCaughtCount; ++i) {
        if (kCaught[i] == sig) return i;
    }
    return 0;
}

int64_t MonotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void Say(int fd, const std::string& text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

// The signal is blocked while its handler runs: raised again with the
// previous disposition, it takes effect as the handler returns.
void EndBy(int sig) {
    if (g_caught.restoreTerminal) g_caught.restoreTerminal();
    Say(STDOUT_FILENO, g_caught.clearLine);
    ::sigaction(sig, &g_caught.previous[IndexOf(sig)], nullptr);
    ::raise(sig);
}

void OnSignal(int sig) {
    int savedErrno = errno;
    if (!g_caught.hold) {
        EndBy(sig);
        errno = savedErrno;
        return;
    }
    int expected = 0;
    g_caught.held.compare_exchange_strong(expected, sig);
    int64_t now = MonotonicMs();
    bool soon = now - g_caught.lastPressMs.exchange(now) <= kPressWindowMs;
    int presses = soon ? g_caught.presses.load() + 1 : 1;
    g_caught.presses.store(presses);
    if (presses == 1) {
        Say(STDERR_FILENO, g_caught.notice);
    } else if (presses == 2) {
        Say(STDERR_FILENO, g_caught.warning);
    } else {
        Say(STDERR_FILENO, g_caught.stopped);
        EndBy(sig);
    }
    errno = savedErrno;
}

}  // namespace

StopSignals::StopSignals(Mode mode, RestoreTerminal restoreTerminal) {
    g_caught.hold = mode == Mode::Hold;
    g_caught.restoreTerminal = restoreTerminal;
    // Over a progress bar drawn in place, a notice starts on a clean line.
    std::string start = ::isatty(STDERR_FILENO) ? "\r\x1b[K" : "";
    g_caught.notice = start + kHoldNotice + "\n";
    g_caught.warning = start + kHoldWarning + "\n";
    g_caught.stopped = start + "orvane2-cli: stopped; " + kLeftInBootloaderText + "\n";
    g_caught.clearLine = restoreTerminal ? "\r\x1b[K" : "";
    g_caught.presses = 0;
    g_caught.lastPressMs = INT64_MIN / 2;
    g_caught.held = 0;

    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int sig : kCaught) sigaddset(&action.sa_mask, sig);
    for (int i = 0; i < kCaughtCount; ++i) {
        struct sigaction& previous = g_caught.previous[i];
        // A signal the program was started with ignored (nohup) stays ignored.
        g_caught.installed[i] = ::sigaction(kCaught[i], nullptr, &previous) == 0 &&
                                previous.sa_handler != SIG_IGN &&
                                ::sigaction(kCaught[i], &action, nullptr) == 0;
    }
}

StopSignals::~StopSignals() {
    for (int i = 0; i < kCaughtCount; ++i) {
        if (g_caught.installed[i]) ::sigaction(kCaught[i], &g_caught.previous[i], nullptr);
        g_caught.installed[i] = false;
    }
}

int StopSignals::Held() const {
    return g_caught.held.load();
}

}  // namespace orvane::cli
