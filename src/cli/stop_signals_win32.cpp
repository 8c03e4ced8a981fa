#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <string>

#include "cli/stop_signals.h"
#include "cli/terminal_ui.h"

namespace orvane::cli {
namespace {

// What the handler reads. The handler runs on a thread the system starts for
// it; everything but the atomics is written only while it is not installed.
struct Caught {
    bool hold = false;
    StopSignals::RestoreTerminal restoreTerminal = nullptr;
    bool installed = false;
    std::string notice, warning, stopped, clearLine;
    std::atomic<int> presses{0};
    std::atomic<int64_t> lastPressMs{0};
    std::atomic<int> held{0};
};
Caught g_caught;

// The signal each console event stands for, so that exit statuses read as on POSIX.
int SignalOf(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
            return SIGINT;
        case CTRL_BREAK_EVENT:
            return SIGBREAK;
        default:
            return SIGTERM;  // the console closing, log-off, shut-down
    }
}

void Say(DWORD which, const std::string& text) {
    DWORD written = 0;
    if (!text.empty())
        ::WriteFile(::GetStdHandle(which), text.data(), static_cast<DWORD>(text.size()), &written,
                    nullptr);
}

// FALSE hands the event on to the system's own handler, which ends the process.
BOOL EndBy() {
    if (g_caught.restoreTerminal) g_caught.restoreTerminal();
    Say(STD_OUTPUT_HANDLE, g_caught.clearLine);
    return FALSE;
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (!g_caught.hold) return EndBy();
    int expected = 0;
    g_caught.held.compare_exchange_strong(expected, SignalOf(event));
    auto now = static_cast<int64_t>(::GetTickCount64());
    bool soon = now - g_caught.lastPressMs.exchange(now) <= kPressWindowMs;
    int presses = soon ? g_caught.presses.load() + 1 : 1;
    g_caught.presses.store(presses);
    // A closing console ends the process whatever the handler says: no later press.
    bool closing = event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT;
    if (presses >= 3 || closing) {
        Say(STD_ERROR_HANDLE, g_caught.stopped);
        return EndBy();
    }
    Say(STD_ERROR_HANDLE, presses == 1 ? g_caught.notice : g_caught.warning);
    return TRUE;
}

}  // namespace

StopSignals::StopSignals(Mode mode, RestoreTerminal restoreTerminal) {
    g_caught.hold = mode == Mode::Hold;
    g_caught.restoreTerminal = restoreTerminal;
    // Over a progress bar drawn in place, a notice starts on a clean line.
    std::string start = IsTerminal(stderr) ? "\r\x1b[K" : "";
    g_caught.notice = start + kHoldNotice + "\n";
    g_caught.warning = start + kHoldWarning + "\n";
    g_caught.stopped = start + "orvane2-cli: stopped; " + kLeftInBootloaderText + "\n";
    g_caught.clearLine = restoreTerminal ? "\r\x1b[K" : "";
    g_caught.presses = 0;
    g_caught.lastPressMs = INT64_MIN / 2;
    g_caught.held = 0;
    // A process started with Ctrl-C ignored never sees the event: it stays ignored.
    g_caught.installed = ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
}

StopSignals::~StopSignals() {
    if (g_caught.installed) ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    g_caught.installed = false;
}

int StopSignals::Held() const {
    return g_caught.held.load();
}

}  // namespace orvane::cli
