#include <windows.h>

#include "sim/stop_wait.h"

namespace orvane::sim {
namespace {

HANDLE g_stop = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD) {
    // Every console event (Ctrl-C, Ctrl-Break, the window closed, log-off,
    // shut-down) ends the simulator the same way.
    ::SetEvent(g_stop);
    return TRUE;
}

}  // namespace

StopWait::StopWait() {
    g_stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void StopWait::Wait() {
    ::WaitForSingleObject(g_stop, INFINITE);
}

}  // namespace orvane::sim
