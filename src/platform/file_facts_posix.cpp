#include <fnmatch.h>
#include <glob.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <string_view>

#include "platform/file_facts.h"

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

// The first path in byte order that glob gives for the pattern, that `keep`
// accepts and that still exists. glob's own order follows the locale's
// collation; byte order is steadier.
template <typename Keep>
std::optional<FileFacts> FirstMatch(const std::string& pattern, int flags, Keep keep) {
    glob_t g{};
    std::optional<FileFacts> best;
    if (::glob(pattern.c_str(), flags | GLOB_NOSORT, nullptr, &g) == 0) {
        for (size_t i = 0; i < g.gl_pathc; ++i) {
            std::string_view p = g.gl_pathv[i];
            if ((best && p >= best->path) || !keep(p)) continue;
            if (auto f = FactsOf(std::string(p))) best = std::move(f);
        }
    }
    globfree(&g);
    return best;
}

}  // namespace

std::optional<FileFacts> FindFirstFile(const std::string& pattern) {
    if (pattern.empty()) return std::nullopt;
    auto exact = FirstMatch(pattern, GLOB_NOCHECK, [](std::string_view) { return true; });
    if (exact) return exact;

    // The lookup this stands in for ignores letter case, and the files made
    // for it rely on that: "DSP_1234.hex" must still find "dsp_1234.hex".
    auto slash = pattern.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
    std::string name = pattern.substr(folder.size());
    if (name.empty()) return std::nullopt;
    return FirstMatch(folder + "*", GLOB_PERIOD, [&](std::string_view p) {
        std::string entry(p.substr(p.find_last_of('/') + 1));
        return ::fnmatch(name.c_str(), entry.c_str(), FNM_CASEFOLD | FNM_PERIOD) == 0;
    });
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<FileOwnership> OwnershipOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    const passwd* p = ::getpwuid(st.st_uid);
    const group* g = ::getgrgid(st.st_gid);
    FileOwnership o;
    o.owner = p ? p->pw_name : std::to_string(st.st_uid);
    o.group = g ? g->gr_name : std::to_string(st.st_gid);
    o.groupId = st.st_gid;
    o.mode = st.st_mode & 07777;
    return o;
}

}  // namespace orvane::platform
