#include "platform/file_facts.h"

#include <glob.h>
#include <sys/stat.h>

namespace orvane::platform {
namespace {

std::optional<FileFacts> FactsOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    FileFacts f;
    if (S_ISDIR(st.st_mode)) f.attributes |= kFileAttributeDirectory;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) f.attributes |= kFileAttributeReadOnly;
    auto slash = path.find_last_of('/');
    f.name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!f.name.empty() && f.name[0] == '.') f.attributes |= kFileAttributeHidden;
    if (f.attributes == 0) f.attributes = kFileAttributeNormal;
    // Linux keeps no creation time in struct stat; the status-change time is the nearest.
    f.creationTime = static_cast<int64_t>(st.st_ctime);
    f.lastAccessTime = static_cast<int64_t>(st.st_atime);
    f.lastWriteTime = static_cast<int64_t>(st.st_mtime);
    f.size = static_cast<uint64_t>(st.st_size);
    f.path = path;
    return f;
}

}  // namespace

std::optional<FileFacts> FindFirstFile(const std::string& pattern) {
    if (pattern.empty()) return std::nullopt;
    glob_t g{};
    int rc = ::glob(pattern.c_str(), GLOB_NOSORT | GLOB_NOCHECK, nullptr, &g);
    std::optional<FileFacts> best;
    if (rc == 0) {
        // glob sorts by the collating order of the locale; name order in bytes is steadier.
        std::string first;
        for (size_t i = 0; i < g.gl_pathc; ++i) {
            std::string p = g.gl_pathv[i];
            if (best && p >= first) continue;
            auto f = FactsOf(p);
            if (f) {
                best = std::move(f);
                first = p;
            }
        }
    }
    globfree(&g);
    return best;
}

}  // namespace orvane::platform
