#pragma once
// A fresh folder under /tmp for one test, removed with everything in it (also
// subfolders a test made unwritable) when the object goes.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace orvane::testing {

class TempFolder {
  public:
    TempFolder() {
        char pattern[] = "/tmp/orvane2-test-XXXXXX";
        if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder() {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, ec);
        for (auto it = fs::recursive_directory_iterator(path_, ec);
             it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms::owner_all, ec);
        }
        fs::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }  // without a trailing "/"
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Writes the file (making its folders) and returns its full path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::filesystem::create_directories(std::filesystem::path(*this / name).parent_path());
        std::ofstream(*this / name, std::ios::binary) << bytes;
        return *this / name;
    }
    std::string Read(const std::string& name) const {  // empty when there is none
        std::ifstream in(*this / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string Folder(const std::string& name) const {  // made, with its parents
        std::filesystem::create_directories(*this / name);
        return *this / name;
    }

  private:
    std::string path_;
};

}  // namespace orvane::testing
