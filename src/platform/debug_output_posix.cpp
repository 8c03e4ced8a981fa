#include "platform/debug_output.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace orvane::platform {
namespace {
std::atomic<bool> g_enabled{false};
std::mutex g_mutex;
DebugSink g_sink;  // guarded by g_mutex

void WriteAll(int fd, std::string_view text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        left -= static_cast<size_t>(n);
    }
}
}  // namespace

void DebugOutput(std::string_view text) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_sink) {
        g_sink(text);
        return;
    }
    if (g_enabled.load()) WriteAll(STDERR_FILENO, text);
}

void SetDebugOutputEnabled(bool enabled) { g_enabled.store(enabled); }
bool DebugOutputEnabled() { return g_enabled.load(); }

void EnableDebugOutputFromEnvironment() {
    const char* v = std::getenv("ORVANE2_TRACE");
    if (v && *v && std::strcmp(v, "0") != 0) SetDebugOutputEnabled(true);
}

ScopedDebugSink::ScopedDebugSink(DebugSink sink) {
    std::lock_guard<std::mutex> lock(g_mutex);
    previous_ = std::move(g_sink);
    g_sink = std::move(sink);
}

ScopedDebugSink::~ScopedDebugSink() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_sink = std::move(previous_);
}

}  // namespace orvane::platform
