#include <string>

#include "platform/diagnostics.h"
#include "platform/win32_support.h"

namespace orvane::platform {

// A debugger or a debug-output viewer always sees the trace; stderr only when asked.
void WriteDebugOutput(std::string_view text, bool toStandardError) {
    ::OutputDebugStringA(std::string(text).c_str());
    if (!toStandardError) return;
    HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
    while (!text.empty()) {
        DWORD written = 0;
        if (!::WriteFile(err, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written == 0)
            return;
        text.remove_prefix(written);
    }
}

}  // namespace orvane::platform
