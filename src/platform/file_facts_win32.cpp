#include "platform/win32_support.h"
// The system's name for FindFirstFileW, which would rename ours.
#undef FindFirstFile

#include "platform/file_facts.h"

namespace orvane::platform {
namespace {

int64_t UnixSeconds(const FILETIME& t) {
    // FILETIME counts 100 ns steps from 1601-01-01.
    constexpr int64_t kStepsTo1970 = 116444736000000000LL;
    const int64_t steps = (static_cast<int64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    return steps == 0 ? 0 : (steps - kStepsTo1970) / 10000000LL;
}

}  // namespace

// The system matches names without regard to letter case, as the files made
// for the program expect; of several matches the first in byte order is
// taken, as the order the system lists them in is not settled.
std::optional<FileFacts> FindFirstFile(const std::string& pattern) {
    if (pattern.empty()) return std::nullopt;
    WIN32_FIND_DATAW data{};
    HANDLE find = ::FindFirstFileW(Wide(pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return std::nullopt;
    const auto slash = pattern.find_last_of(kPathSeparators);
    const std::string folder =
        slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
    std::optional<FileFacts> best;
    do {
        const std::wstring_view wideName = data.cFileName;
        if (wideName == L"." || wideName == L"..") continue;
        std::string name = Utf8(wideName);
        if (best && name >= best->name) continue;
        FileFacts f;
        f.attributes = data.dwFileAttributes;
        f.creationTime = UnixSeconds(data.ftCreationTime);
        f.lastAccessTime = UnixSeconds(data.ftLastAccessTime);
        f.lastWriteTime = UnixSeconds(data.ftLastWriteTime);
        f.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        f.path = folder + name;
        f.name = std::move(name);
        best = std::move(f);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return best;
}

bool PathExists(const std::string& path) {
    return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Access on Windows is a list of rules, not an owner, a group and a mode.
std::optional<FileOwnership> OwnershipOf(const std::string&) {
    return std::nullopt;
}

}  // namespace orvane::platform
