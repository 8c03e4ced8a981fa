#include <algorithm>

#include "platform/win32_support.h"
#include "sim/flash_model.h"

namespace orvane::sim {

bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& error) {
    const std::wstring temp = platform::Wide(path + ".part");
    HANDLE file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = file != INVALID_HANDLE_VALUE;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD n = 0;
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        ok = ::WriteFile(file, bytes.data() + done, chunk, &n, nullptr) && n > 0;
        done += n;
    }
    DWORD code = ok ? 0 : ::GetLastError();
    if (file != INVALID_HANDLE_VALUE && !::CloseHandle(file) && ok) {
        ok = false;
        code = ::GetLastError();
    }
    if (ok && !::MoveFileExW(temp.c_str(), platform::Wide(path).c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        code = ::GetLastError();
    }
    if (!ok) {
        error = path + ": " + platform::SystemErrorText(code);
        ::DeleteFileW(temp.c_str());
    }
    return ok;
}

}  // namespace orvane::sim
