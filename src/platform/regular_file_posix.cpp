#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/regular_file.h"

namespace orvane::platform {
namespace {

RegularFile Refused(FileRefusal refusal, int error = 0) {
    RegularFile file;
    file.refusal = refusal;
    if (error != 0) file.reason = std::strerror(error);
    return file;
}

FileRefusal KindRefusal(mode_t mode) {
    return S_ISDIR(mode) ? FileRefusal::Folder : FileRefusal::NotRegular;
}

}  // namespace

RegularFile OpenRegularFile(const std::string& path, FileAccess access) {
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    const char* mode = "ab";
    switch (access) {
        case FileAccess::Read:
            flags |= O_RDONLY;
            mode = "rb";
            break;
        case FileAccess::Replace:
            flags |= O_WRONLY | O_CREAT | O_TRUNC;
            mode = "wb";
            break;
        case FileAccess::Append:
            flags |= O_WRONLY | O_CREAT | O_APPEND;
            break;
        case FileAccess::AppendExisting:
            flags |= O_WRONLY | O_APPEND;
            break;
    }
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno;
        // A folder or a FIFO without a reader fails to open for writing; say
        // what it is rather than the system's words for it.
        struct stat st {};
        if (error != ENOENT && ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            return Refused(KindRefusal(st.st_mode));
        }
        return Refused(error == ENOENT ? FileRefusal::Missing : FileRefusal::CannotOpen, error);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return Refused(FileRefusal::CannotOpen, error);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return Refused(KindRefusal(st.st_mode));
    }
    // Blocking again for the reads and writes, which on a regular file never wait for long.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* stream = ::fdopen(fd, mode);
    if (!stream) {
        const int error = errno;
        ::close(fd);
        return Refused(FileRefusal::CannotOpen, error);
    }
    RegularFile file;
    file.stream.reset(stream);
    return file;
}

}  // namespace orvane::platform
