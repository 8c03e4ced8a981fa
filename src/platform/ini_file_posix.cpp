#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/ini_file.h"

namespace orvane::platform {

bool IniFile::Exists() const {
    if (text_) return true;
    struct stat st {};
    return ::stat(path_.c_str(), &st) == 0;
}

IniFile::Text IniFile::ReadText() const {
    if (text_) return {*text_};
    // Not blocking: a FIFO put where the file should be must not hang the program.
    int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {{}, errno == ENOENT ? 0 : errno};
    Text text;
    char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) text.error = errno;  // a folder says EISDIR here
        if (n <= 0) break;
        text.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (text.error != 0) text.bytes.clear();
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
    const std::string lockPath = path_ + ".lock";
    int lock = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0) return {errno};
    int status;
    while ((status = ::flock(lock, LOCK_EX)) != 0 && errno == EINTR) {
    }
    WriteResult written;
    if (status != 0) {
        written.error = errno;
    } else {
        Text text = ReadText();
        // A file that cannot be read is kept, not replaced by one holding only this key.
        written = text.error != 0
                      ? WriteResult{text.error}
                      : WriteFileAtomically(path_, WithValue(text.bytes, section, key, value));
    }
    ::close(lock);  // releases the lock
    return written;
}

WriteResult WriteFileAtomically(const std::string& path, std::string_view bytes) {
    std::string tmp = path + ".XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) return {errno};
    auto fail = [&](int error) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return WriteResult{error};
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail(n == 0 ? ENOSPC : errno);
        done += static_cast<std::size_t>(n);
    }
    // Keep the permissions of the file being replaced; a new one gets the usual 0644.
    struct stat st {};
    mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) return fail(errno);
    if (::close(fd) != 0) {
        WriteResult closing{errno};
        ::unlink(tmp.c_str());
        return closing;
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        WriteResult renaming{errno};
        ::unlink(tmp.c_str());
        return renaming;
    }
    return {};
}

}  // namespace orvane::platform
