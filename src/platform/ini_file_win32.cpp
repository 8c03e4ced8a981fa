#include <atomic>
#include <cerrno>
#include <utility>

#include "platform/file_facts.h"
#include "platform/ini_file.h"
#include "platform/win32_support.h"

namespace orvane::platform {
namespace {

// Closes the handle however the function holding it returns.
class Handle {
  public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (valid()) ::CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    // Closes now; false when closing failed.
    bool Close() { return ::CloseHandle(std::exchange(h_, INVALID_HANDLE_VALUE)) != 0; }

  private:
    HANDLE h_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

int LastErrno() {
    return ErrnoFromSystem(::GetLastError());
}

}  // namespace

bool IniFile::Exists() const {
    return text_ || PathExists(path_);
}

IniFile::Text IniFile::ReadText() const {
    if (text_) return {*text_};
    Handle file(::CreateFileW(Wide(path_).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
        return {{}, IsFolder(path_) ? EISDIR : ErrnoFromSystem(error)};
    }
    // A device put where the file should be (COM1, CON) could hold the read for ever.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) return {{}, ENODEV};
    Text text;
    char buffer[8192];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) {
            text.error = LastErrno();
            text.bytes.clear();
            break;
        }
        if (n == 0) break;
        text.bytes.append(buffer, n);
    }
    return text;
}

WriteResult IniFile::WriteString(std::string_view section, std::string_view key,
                                 std::string_view value) {
    if (text_) {
        *text_ = WithValue(*text_, section, key, value);
        return {};
    }
    // Read, change and replace under the lock: two programs writing at once
    // must not each replace the file with their own copy of the old one.
    Handle lock(::CreateFileW(Wide(path_ + ".lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                              kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!lock.valid()) return {LastErrno()};
    OVERLAPPED whole{};
    if (!::LockFileEx(lock.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole)) return {LastErrno()};
    Text text = ReadText();
    // A file that cannot be read is kept, not replaced by one holding only this key.
    WriteResult written =
        text.error != 0 ? WriteResult{text.error}
                        : WriteFileAtomically(path_, WithValue(text.bytes, section, key, value));
    ::UnlockFileEx(lock.get(), 0, 1, 0, &whole);
    return written;
}

WriteResult WriteFileAtomically(const std::string& path, std::string_view bytes) {
    // A name no other writer is using, in the same folder so that the move
    // cannot cross volumes.
    static std::atomic<unsigned> serial{0};
    std::wstring tmp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; h == INVALID_HANDLE_VALUE; ++attempt) {
        tmp = Wide(path + "." + std::to_string(::GetCurrentProcessId()) + "." +
                   std::to_string(serial++) + ".tmp");
        h = ::CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
        if (h == INVALID_HANDLE_VALUE && (::GetLastError() != ERROR_FILE_EXISTS || attempt > 100))
            return {LastErrno()};
    }
    Handle file(h);
    auto fail = [&](int error) {
        file.Close();
        ::DeleteFileW(tmp.c_str());
        return WriteResult{error};
    };
    for (std::string_view left = bytes; !left.empty();) {
        DWORD n = 0;
        if (!::WriteFile(file.get(), left.data(), static_cast<DWORD>(left.size()), &n, nullptr))
            return fail(LastErrno());
        if (n == 0) return fail(ENOSPC);
        left.remove_prefix(n);
    }
    if (!::FlushFileBuffers(file.get())) return fail(LastErrno());
    if (!file.Close()) return fail(LastErrno());
    const std::wstring target = Wide(path);
    // ReplaceFileW keeps the old file's attributes and access rules, as the
    // rename on Linux keeps its mode; a new file is simply moved in.
    if (PathExists(path) && ::ReplaceFileW(target.c_str(), tmp.c_str(), nullptr,
                                           REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        return {};
    }
    if (!::MoveFileExW(tmp.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        WriteResult moving{LastErrno()};
        ::DeleteFileW(tmp.c_str());
        return moving;
    }
    return {};
}

}  // namespace orvane::platform
