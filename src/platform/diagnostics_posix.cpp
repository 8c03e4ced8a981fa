#include <unistd.h>

#include <cerrno>

#include "platform/diagnostics.h"

namespace orvane::platform {

// Linux has no debugger channel of its own: the trace goes to stderr or nowhere.
void WriteDebugOutput(std::string_view text, bool toStandardError) {
    if (!toStandardError) return;
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

}  // namespace orvane::platform
