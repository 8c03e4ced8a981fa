#include <windows.h>

#include <algorithm>

#include "sim/flash_model.h"

namespace orvane::sim {
namespace {

std::wstring Wide(const std::string& utf8) {
    int n =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string SystemErrorText(DWORD code) {
    char* text = nullptr;
    DWORD n = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n > 0 && text ? std::string(text, n) : "error " + std::to_string(code);
    ::LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.'))
        out.pop_back();
    return out;
}

}  // namespace

bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& error) {
    const std::wstring temp = Wide(path + ".part");
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
    if (ok && !::MoveFileExW(temp.c_str(), Wide(path).c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        code = ::GetLastError();
    }
    if (!ok) {
        error = path + ": " + SystemErrorText(code);
        ::DeleteFileW(temp.c_str());
    }
    return ok;
}

}  // namespace orvane::sim
