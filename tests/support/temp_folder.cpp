#include "support/temp_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace orvane::testing {

TempFolder::TempFolder() {
    char pattern[] = "/tmp/orvane2-test-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms::owner_all, ec);
    }
    fs::permissions(path_, fs::perms::owner_all, ec);
    fs::remove_all(path_, ec);
}

std::string TempFolder::Write(const std::string& name, const std::string& bytes) const {
    const std::string full = *this / name;
    fs::create_directories(fs::path(full).parent_path());
    std::ofstream(full, std::ios::binary) << bytes;
    return full;
}

std::string TempFolder::Read(const std::string& name) const {
    std::ifstream in(*this / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string TempFolder::Folder(const std::string& name) const {
    const std::string full = *this / name;
    fs::create_directories(full);
    return full;
}

}  // namespace orvane::testing
