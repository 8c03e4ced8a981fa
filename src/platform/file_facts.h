#pragma once
// What the program learns about a file before it uses it: the stand-in for the
// find-first-file record (attributes, times, size, name).

#include <cstdint>
#include <optional>
#include <string>

namespace orvane::platform {

// The characters that end a folder's name in a path.
#ifdef _WIN32
inline constexpr char kPathSeparators[] = "\\/";
#else
inline constexpr char kPathSeparators[] = "/";
#endif

// Attribute bits, with the values of the record they stand in for.
inline constexpr uint32_t kFileAttributeReadOnly = 0x01;
inline constexpr uint32_t kFileAttributeHidden = 0x02;
inline constexpr uint32_t kFileAttributeDirectory = 0x10;
inline constexpr uint32_t kFileAttributeNormal = 0x80;

struct FileFacts {
    uint32_t attributes = 0;
    int64_t creationTime = 0;  // seconds since 1970-01-01 UTC; 0 when unknown
    int64_t lastAccessTime = 0;
    int64_t lastWriteTime = 0;
    uint64_t size = 0;
    std::string name;  // file name without its folder
    std::string path;  // the full path that matched

    bool IsDirectory() const { return (attributes & kFileAttributeDirectory) != 0; }
};

// The first file matching a glob pattern (wildcards * ? [..] in the last part of
// the path), in name order. When nothing matches as written, the first in name
// order whose last part matches without regard to letter case. Nothing when no
// file matches either way or the pattern is empty.
std::optional<FileFacts> FindFirstFile(const std::string& pattern);

// Whether anything is at the path (links followed), and whether it is a folder.
bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);

// Who owns a device or file and who may use it, for a message that says why
// it cannot be opened. Nothing where the system keeps no such owner and mode.
struct FileOwnership {
    std::string owner;
    std::string group;
    uint32_t groupId = 0;
    uint32_t mode = 0;  // permission bits
};
std::optional<FileOwnership> OwnershipOf(const std::string& path);

}  // namespace orvane::platform
