#include "fuzz_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace orvane::fuzz {
namespace {

std::string MakeScratchDir() {
    std::string base = "/dev/shm";
    if (::access(base.c_str(), W_OK) != 0) {
        const char* tmp = std::getenv("TMPDIR");
        base = tmp && *tmp ? tmp : "/tmp";
    }
    std::string pattern = base + "/orvane_fuzz_XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("fuzz: no scratch folder");
        std::abort();
    }
    return pattern;
}

void RemoveScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(ScratchDir(), ignored);
}

}  // namespace

const std::string& ScratchDir() {
    // Never destroyed: the exit handler that removes the folder needs its name.
    static const std::string* const dir = [] {
        auto* made = new std::string(MakeScratchDir());
        std::atexit(RemoveScratchDir);
        return made;
    }();
    return *dir;
}

std::string WriteScratchFile(std::string_view name, const uint8_t* data, std::size_t size) {
    std::string path = ScratchDir() + "/" + std::string(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
    return path;
}

std::string WriteScratchFile(std::string_view name, std::string_view text) {
    return WriteScratchFile(name, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "fuzz: check failed at %s:%d: %s\n", file, line, what);
    std::abort();
}

}  // namespace orvane::fuzz
