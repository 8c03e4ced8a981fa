#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/ini_file.h"
#include "platform/text.h"

namespace orvane::platform {
namespace {

// A CR is trimmed only at the end, where a file written on Windows has it.
std::string_view Trim(std::string_view s) {
    return TrimRight(TrimLeft(s, kBlanks), " \t\r");
}

// "[Name]" -> Name; false for any other line.
bool SectionName(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') return false;
    std::size_t close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = Trim(line.substr(1, close - 1));
    return true;
}

// "key=value" -> key, value; false for comments and other lines.
bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return false;
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    // A value in matching quotes is read without them.
    if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                              (value.front() == '\'' && value.back() == '\''))) {
        value = value.substr(1, value.size() - 2);
    }
    return true;
}

// Takes the next line off text as getline() yields them: up to LF, and no
// empty line after a final LF.
bool NextLine(std::string_view& text, std::string_view& line) {
    if (text.empty()) return false;
    std::size_t end = text.find('\n');
    line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return true;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::string_view line; NextLine(text, line);) lines.push_back(line);
    return lines;
}

struct Location {
    long sectionLine = -1;   // index of the "[section]" line
    long keyLine = -1;       // index of the key's line
    long insertAt = -1;      // where a new key of the section goes
    std::string_view value;  // the key's
};

// Walks the text itself: reading a key makes no list of lines.
Location Find(std::string_view text, std::string_view section, std::string_view key) {
    Location loc;
    bool inSection = false;
    std::string_view line;
    for (long i = 0; NextLine(text, line); ++i) {
        std::string_view name;
        if (SectionName(line, name)) {
            if (inSection) break;  // the first section of that name is the one
            if (EqualsNoCase(name, section)) {
                inSection = true;
                loc.sectionLine = i;
                loc.insertAt = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        std::string_view k, v;
        if (KeyValue(line, k, v)) {
            if (loc.keyLine < 0 && EqualsNoCase(k, key)) {
                loc.keyLine = i;
                loc.value = v;
            }
        }
        // New keys go after the section's last non-blank line.
        if (!Trim(line).empty()) loc.insertAt = i + 1;
    }
    return loc;
}

}  // namespace

IniFile IniFile::InMemory(std::string text) {
    IniFile ini{std::string()};
    ini.text_ = std::move(text);
    return ini;
}

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

std::string IniFile::ReadProblem() const {
    const int error = ReadText().error;
    return error == 0 ? std::string() : std::strerror(error);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    const std::string text = ReadText().bytes;
    Location loc = Find(text, section, key);
    return std::string(loc.keyLine < 0 ? fallback : loc.value);
}

int IniFile::ReadInt(std::string_view section, std::string_view key, int fallback) const {
    const std::string text = ReadText().bytes;
    Location loc = Find(text, section, key);
    if (loc.keyLine < 0) return fallback;
    // Negative values have always stopped at -INT_MAX.
    return std::max(ReadDecimal(loc.value, {}).value, -INT_MAX);
}

std::string WriteResult::Reason() const {
    return std::strerror(error);
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

std::string IniFile::WithValue(std::string_view text, std::string_view section,
                               std::string_view key, std::string_view value) {
    // A line break in a value would start a new key; keep the value on its line.
    std::string clean(value);
    for (char& c : clean) {
        if (c == '\n' || c == '\r' || c == '\0') c = ' ';
    }
    const std::string entry = std::string(key) + "=" + clean;
    const std::string header = "[" + std::string(section) + "]";
    Location loc = Find(text, section, key);
    auto lines = SplitLines(text);
    if (loc.keyLine >= 0) {
        lines[static_cast<std::size_t>(loc.keyLine)] = entry;
    } else if (loc.sectionLine >= 0) {
        lines.insert(lines.begin() + loc.insertAt, entry);
    } else {
        lines.push_back(header);
        lines.push_back(entry);
    }
    std::string bytes;
    for (std::string_view line : lines) {
        bytes += line;
        bytes += '\n';
    }
    return bytes;
}

WriteResult IniFile::WriteInt(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
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
