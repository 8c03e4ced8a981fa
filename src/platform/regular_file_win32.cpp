#include <fcntl.h>
#include <io.h>

#include <cstring>

#include "platform/file_facts.h"
#include "platform/regular_file.h"
#include "platform/win32_support.h"

namespace orvane::platform {
namespace {

RegularFile Refused(FileRefusal refusal, DWORD error = ERROR_SUCCESS) {
    RegularFile file;
    file.refusal = refusal;
    if (error != ERROR_SUCCESS) file.reason = std::strerror(ErrnoFromSystem(error));
    return file;
}

}  // namespace

RegularFile OpenRegularFile(const std::string& path, FileAccess access) {
    DWORD rights = FILE_APPEND_DATA;
    DWORD disposition = OPEN_ALWAYS;
    int flags = _O_BINARY | _O_WRONLY | _O_APPEND;
    const char* mode = "ab";
    switch (access) {
        case FileAccess::Read:
            rights = GENERIC_READ;
            disposition = OPEN_EXISTING;
            flags = _O_BINARY | _O_RDONLY;
            mode = "rb";
            break;
        case FileAccess::Replace:
            // Emptied only once it is known to be a file: CREATE_ALWAYS would
            // also refuse a hidden file.
            rights = GENERIC_WRITE;
            flags = _O_BINARY | _O_WRONLY;
            mode = "wb";
            break;
        case FileAccess::Append:
            break;
        case FileAccess::AppendExisting:
            disposition = OPEN_EXISTING;
            break;
    }
    HANDLE h = ::CreateFileW(Wide(path).c_str(), rights,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        // A folder cannot be opened as a file at all; say what it is.
        if (IsFolder(path)) return Refused(FileRefusal::Folder);
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return Refused(missing ? FileRefusal::Missing : FileRefusal::CannotOpen, error);
    }
    // Devices (NUL, CON, COM1) and pipes open like files.
    if (::GetFileType(h) != FILE_TYPE_DISK) {
        ::CloseHandle(h);
        return Refused(FileRefusal::NotRegular);
    }
    if (access == FileAccess::Replace && !::SetEndOfFile(h)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(h);
        return Refused(FileRefusal::CannotOpen, error);
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), flags);
    if (fd < 0) {
        ::CloseHandle(h);
        return Refused(FileRefusal::CannotOpen, ERROR_TOO_MANY_OPEN_FILES);
    }
    std::FILE* stream = ::_fdopen(fd, mode);
    if (!stream) {
        ::_close(fd);  // and the handle with it
        return Refused(FileRefusal::CannotOpen, ERROR_NOT_ENOUGH_MEMORY);
    }
    RegularFile file;
    file.stream.reset(stream);
    return file;
}

}  // namespace orvane::platform
